#!/usr/bin/env bash
# The program must start on every Windows from XP SP3 on, and a loader refuses
# an exe with an import its system lacks. Every import of the built exe must
# therefore be on the reviewed list beside this script, which names each one's
# documented minimum Windows version. Anything newer is looked up at run time.
# Entries marked x64 exist only in 64-bit Windows: they pass for a 64-bit exe
# alone, as 32-bit Windows would refuse a 32-bit exe that imports them.
# Usage: check_imports.sh <objdump> <exe> <reviewed list> <32|64>
set -euo pipefail
objdump="$1" exe="$2" list="$3" bits="$4"

imports=$("$objdump" -p "$exe" | awk '
  /^\tDLL Name:/ { dll = toupper($3); next }
  /^$/ { dll = "" }
  dll != "" && /^\t[0-9a-f]+\t/ { print dll, $NF }')
if [ -z "$imports" ]; then
  echo "no imports read from $exe" >&2
  exit 1
fi
reviewed=$(sed -e 's/#.*//' "$list" | awk -v bits="$bits" 'NF >= 3 && (bits == 64 || $3 != "x64") { print toupper($1), $2 }')

unlisted=$(comm -23 <(sort -u <<<"$imports") <(sort -u <<<"$reviewed"))
if [ -n "$unlisted" ]; then
  echo "imports not on the reviewed list ($list):"
  sed 's/^/  /' <<<"$unlisted"
  echo "check each one's minimum Windows version before adding it; newer than XP SP3: look it up at run time"
  exit 1
fi
echo "$(wc -l <<<"$imports") imports, all reviewed"

#!/usr/bin/env bash
# The program must start on every Windows from XP SP3 on, and a loader refuses
# an exe with an import its system lacks. Every import of the built exe must
# therefore be on the reviewed list beside this script, which names each one's
# documented minimum Windows version. Anything newer is looked up at run time.
# Usage: check_imports.sh <objdump> <exe> <reviewed list>
set -euo pipefail
objdump="$1" exe="$2" list="$3"

imports=$("$objdump" -p "$exe" | awk '
  /^\tDLL Name:/ { dll = toupper($3); next }
  /^$/ { dll = "" }
  dll != "" && /^\t[0-9a-f]+\t/ { print dll, $NF }')
if [ -z "$imports" ]; then
  echo "no imports read from $exe" >&2
  exit 1
fi
reviewed=$(sed -e 's/#.*//' "$list" | awk 'NF >= 2 { print toupper($1), $2 }')

unlisted=$(comm -23 <(sort -u <<<"$imports") <(sort -u <<<"$reviewed"))
if [ -n "$unlisted" ]; then
  echo "imports not on the reviewed list ($list):"
  sed 's/^/  /' <<<"$unlisted"
  echo "check each one's minimum Windows version before adding it; newer than XP SP3: look it up at run time"
  exit 1
fi
echo "$(wc -l <<<"$imports") imports, all reviewed"

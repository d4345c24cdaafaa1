#!/usr/bin/env bash
# Files dropped onto the running program from outside, the way a Linux file
# manager drops them: an X11 client performs each XDND drop that the test under
# Wine asks for, and Wine hands it to the program as WM_DROPFILES.
#
# The test writes "request" (first line "x y" in root coordinates, then one
# Unix path per line) into the drop folder; this script takes it away, runs the
# drop and answers with "done": the client's exit status on the first line,
# its messages after it.
set -euo pipefail
e2e="$1"
here="$(cd "$(dirname "$0")" && pwd)"
title="Kavonix  Ver 1.64.2"
: "${DISPLAY:?the drops need an X display (xvfb-run -a)}"

client="$KAVONIX_BUILD/xdnd_drop"
source="$here/xdnd/xdnd_drop.c"
if [ ! -x "$client" ] || [ "$source" -nt "$client" ]; then
  cc -std=c99 -D_DEFAULT_SOURCE -O2 -Wall -Wextra -o "$client" "$source" -lX11
fi

dir="$KAVONIX_BUILD/testfiles/drop"
mkdir -p "$dir"
rm -f "$dir/request" "$dir/done" "$dir/done.tmp"
export KAVONIX_DROP_DIR="$dir"

(
  drop=""
  trap 'if [ -n "$drop" ]; then kill "$drop" 2>/dev/null || true; fi; exit 0' TERM
  # Ends by itself when this script is gone, also when it was killed outright.
  while kill -0 "$$" 2>/dev/null; do
    if [ -f "$dir/request" ]; then
      { read -r x y || true; mapfile -t files; } < "$dir/request"
      rm -f "$dir/request"
      files=("${files[@]%$'\r'}")
      code=0
      "$client" "$title" "${x%$'\r'}" "${y%$'\r'}" "${files[@]}" 2> "$dir/client.log" &
      drop=$!
      wait "$drop" || code=$?
      drop=""
      { echo "$code"; cat "$dir/client.log"; } > "$dir/done.tmp"
      mv -f "$dir/done.tmp" "$dir/done"
    fi
    sleep 0.05
  done
) &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

status=0
"$KAVONIX_SOURCE/scripts/wine-exec" "$e2e" --gtest_filter='ProgramDrop.*' || status=$?
exit "$status"

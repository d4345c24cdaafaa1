#!/usr/bin/env bash
# Transfers that fail half-way: the sources are written without a limit, then
# the conversions run under a file size limit (SIGXFSZ ignored, so a write past
# it fails instead of ending the process), and this script shortens a source
# when the running test asks for it. Never a device such as /dev/full: a run
# deletes its target.
set -euo pipefail
tests="$1"
dir="$KAVONIX_BUILD/testfiles/faults"
rm -rf "$dir"
export KAVONIX_FAULTS=1
"$KAVONIX_SOURCE/scripts/wine-exec" "$tests" --gtest_filter='FaultSetup.*'

(
  for _ in $(seq 1 1200); do
    if [ -f "$dir/shrink.request" ]; then
      truncate -s $((500 * 2352)) "$dir/shrink.bin"
      touch "$dir/shrink.done"
      exit 0
    fi
    sleep 0.05
  done
) &
shrinker=$!

trap '' XFSZ
status=0
(ulimit -f 2048 && exec "$KAVONIX_SOURCE/scripts/wine-exec" "$tests" --gtest_filter='FaultWrite.*:FaultRead.*') || status=$?
kill "$shrinker" 2>/dev/null || true
wait "$shrinker" 2>/dev/null || true
exit "$status"

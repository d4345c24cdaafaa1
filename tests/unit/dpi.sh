#!/usr/bin/env bash
# The screen-scale cases at one DPI: dpi.sh <tests exe> <dpi>. Wine reads the
# DPI from HKCU\Control Panel\Desktop\LogPixels as each process starts, so the
# value is put into the tests' prefix first, and taken out again afterwards
# whatever the outcome (the other tests run at the default 96).
set -euo pipefail
. "$KAVONIX_SOURCE/scripts/wine-lib.sh"
tests="$1"
dpi="$2"
loader=$(kavonix_loader "$(kavonix_exe_arch "$tests")")
key='HKCU\Control Panel\Desktop'

restore() {
  "$loader" reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true
}
trap restore EXIT
"$loader" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
KAVONIX_TEST_DPI="$dpi" "$KAVONIX_SOURCE/scripts/wine-exec" "$tests" --gtest_filter='ScreenScale.*'

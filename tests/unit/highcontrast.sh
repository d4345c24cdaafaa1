#!/usr/bin/env bash
# The high-contrast cases: highcontrast.sh <tests exe>. Wine takes the system
# colours from HKCU\Control Panel\Colors as its server starts, so a scheme
# with High Contrast Black's colours goes into the tests' prefix and the
# server starts afresh. Windows draws without visual styles under high
# contrast, so the prefix's style is switched off meanwhile. Afterwards the
# prefix's own colours and style come back, whatever the outcome, with a
# fresh server again: the other tests run in them.
set -euo pipefail
. "$KAVONIX_SOURCE/scripts/wine-lib.sh"
tests="$1"
arch=$(kavonix_exe_arch "$tests")
loader=$(kavonix_loader "$arch")
key='HKCU\Control Panel\Colors'
styles='HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager'
dir="$KAVONIX_BUILD/testfiles/highcontrast"
mkdir -p "$dir"
rm -f "$dir/colors.reg" "$dir/styles.reg"
saved="Z:$(tr / '\\' <<<"$dir/colors.reg")"
saved_styles="Z:$(tr / '\\' <<<"$dir/styles.reg")"

# The prefix's services start with the first program of a new server and
# would hold that program's output pipes open: they are started here, away
# from every pipe, as the tests' set-up does.
restart_server() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1 || true
  kavonix_prefix_boot "$arch" || true
}

"$loader" reg export "$key" "$saved" /y </dev/null >/dev/null 2>&1
"$loader" reg export "$styles" "$saved_styles" /y </dev/null >/dev/null 2>&1
restore() {
  "$loader" reg delete "$key" /f </dev/null >/dev/null 2>&1 || true
  "$loader" reg import "$saved" </dev/null >/dev/null 2>&1 || true
  "$loader" reg import "$saved_styles" </dev/null >/dev/null 2>&1 || true
  restart_server
}
trap restore EXIT

set_colour() {
  "$loader" reg add "$key" /v "$1" /t REG_SZ /d "$2" /f </dev/null >/dev/null 2>&1
}
set_colour ButtonFace "0 0 0"
set_colour ButtonText "255 255 255"
set_colour Window "0 0 0"
set_colour WindowText "255 255 255"
set_colour HotTrackingColor "255 255 0"
set_colour GrayText "63 242 63"
set_colour Hilight "26 235 255"
set_colour HilightText "0 0 0"
set_colour ButtonShadow "255 255 255"
set_colour ButtonHilight "255 255 255"
set_colour ButtonLight "255 255 255"
set_colour ButtonDkShadow "255 255 255"
"$loader" reg add "$styles" /v ThemeActive /t REG_SZ /d 0 /f </dev/null >/dev/null 2>&1
restart_server
KAVONIX_TEST_HIGH_CONTRAST=1 "$KAVONIX_SOURCE/scripts/wine-exec" "$tests" --gtest_filter='HighContrast.*'

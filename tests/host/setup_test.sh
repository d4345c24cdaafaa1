#!/usr/bin/env bash
# scripts/setup's decisions, without a registry and without root: stand-ins
# for apt-get, dpkg, dpkg-query and sudo come first on PATH and keep their
# state in files, and the kernel's answer to the 32-bit probe is given.
set -uo pipefail
source_root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL [$case_name]: $*"
  failures=$((failures + 1))
}

# The stand-ins. State: installed (one package a line), arches (foreign
# architectures), broken (packages whose install apt refuses), update-fails
# (present: every update fails on the 32-bit security index), calls (a log).
make_stand_ins() {
  local bin=$1
  mkdir -p "$bin"
  cat >"$bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
p=${!#}
[ -f "$STATE/all-installed" ] && { printf 'install ok installed'; exit 0; }
if grep -qx -- "$p" "$STATE/installed" 2>/dev/null; then printf 'install ok installed'; exit 0; fi
echo "dpkg-query: no packages found matching $p" >&2
exit 1
EOF
  cat >"$bin/dpkg" <<'EOF'
#!/usr/bin/env bash
echo "dpkg $*" >>"$STATE/calls"
case $1 in
  --print-foreign-architectures) cat "$STATE/arches" 2>/dev/null ;;
  --print-architecture) echo amd64 ;;
  --add-architecture) echo "$2" >>"$STATE/arches" ;;
  --compare-versions) exec /usr/bin/dpkg "$@" ;;
esac
EOF
  # apt-get, with one resolver rule where "$STATE/skew" holds "lib newer older":
  # the 64-bit lib stands at the newer version, its 32-bit twin (which the
  # 32-bit Wine needs) exists only at the older one, and both must match.
  cat >"$bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STATE/calls"
case " $* " in
  *" update "*)
    if [ -f "$STATE/update-fails" ]; then
      echo "E: Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]" >&2
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
      exit 100
    fi
    exit 0 ;;
esac
simulate=no release= downgrades=no pkgs=()
while [ $# -gt 0 ]; do
  case $1 in
    -s) simulate=yes ;;
    -t) release=$2; shift ;;
    --allow-downgrades) downgrades=yes ;;
    -* | install) ;;
    *) pkgs+=("$1") ;;
  esac
  shift
done
if [ -n "$release" ] && [ "$release" != "$(cat "$STATE/codename" 2>/dev/null)" ]; then
  echo "E: The value '$release' is invalid for APT::Default-Release as such a release is not available in the sources" >&2
  exit 100
fi
broken() {
  echo "Some packages could not be installed."
  echo "The following packages have unmet dependencies:"
  echo "$@"
  echo "E: Unable to correct problems, you have held broken packages." >&2
  exit 100
}
asked() { [[ " ${pkgs[*]} " == *" $1 "* ]]; }
for p in "${pkgs[@]}"; do
  if [[ $p == *:i386* ]] && ! grep -qx i386 "$STATE/arches" 2>/dev/null; then
    echo "E: Unable to locate package $p" >&2; exit 100
  fi
  grep -qx -- "$p" "$STATE/broken" 2>/dev/null && broken " $p : Depends: libc6 but it is not going to be installed"
done
plan=() removes=()
if [ -f "$STATE/skew" ] && asked wine32:i386; then
  read -r lib newer older <"$STATE/skew"
  asked "$lib:i386" || broken " libwine:i386 : Depends: $lib:i386 (>= 1.0.0) but it is not going to be installed"
  [ -n "$release" ] || broken " libxml2:i386 : Depends: zlib1g:i386 (>= 1:1.2.3.3) but it is not going to be installed"
  if asked "$lib:amd64=$older"; then
    plan=("Inst $lib [$newer] ($older Debian:12/stable [amd64])" "Inst zstd [1.5.4+dfsg2-5] (1.5.4+dfsg2-5+deb12u1 Debian-Security:12/stable-security [amd64])")
    [ "$downgrades" = yes ] || { echo "E: Packages were downgraded and -y was used without --allow-downgrades." >&2; exit 100; }
  elif asked wine64 || asked libwine:amd64; then
    broken " wine64 : Depends: libwine (= 8.0~repack-4) but it is not going to be installed"
  else
    removes=(wine64 libwine "$lib")
  fi
  plan+=("Inst $lib:i386 ($older Debian:12/stable [i386])" "Inst libwine:i386 (8.0~repack-4 Debian:12/stable [i386])")
fi
if [ "$simulate" = yes ]; then
  for r in "${removes[@]}"; do echo "Remv $r [1] []"; done
  printf '%s\n' "${plan[@]}"
  for p in "${pkgs[@]}"; do echo "Inst ${p%%=*} (1 Debian:12/stable [amd64])"; done
  exit 0
fi
if [ -f "$STATE/matched-fails" ] && [ ${#plan[@]} -gt 0 ]; then
  echo "E: Failed to fetch http://deb.example/debian/pool/main/w/wine/libwine_8.0_i386.deb  404  Not Found" >&2
  exit 100
fi
printf '%s\n' "${removes[@]}" | sed '/^$/d' >>"$STATE/removed"
for r in "${removes[@]}"; do sed -i "/^${r}\(:amd64\)\?\$/d" "$STATE/installed"; done
printf '%s\n' "${pkgs[@]%%=*}" >>"$STATE/installed"
printf '%s\n' "${plan[@]}" >>"$STATE/done"
EOF
  printf '#!/usr/bin/env bash\nexec "$@"\n' >"$bin/sudo"
  chmod +x "$bin"/*
}

# A copy of the scripts in a tree of its own, so that the note setup leaves
# lands there; then setup run with the given answer of the kernel.
run_setup() {
  local kernel32=$1
  rm -rf "$work/tree" "$work/state"
  mkdir -p "$work/tree/scripts" "$work/state"
  cp "$source_root/scripts/setup" "$source_root/scripts/wine-lib.sh" "$work/tree/scripts/"
  STATE=$work/state
  export STATE
  : >"$STATE/installed"
  : >"$STATE/calls"
  : >"$STATE/removed"
  echo kestrel >"$STATE/codename"
  printf 'ID=debian\nVERSION_ID="12"\nVERSION_CODENAME=kestrel\n' >"$STATE/os-release"
  for f in "${@:2}"; do eval "$f"; done
  PATH="$work/bin:$PATH" KAVONIX_KERNEL_RUNS_32BIT=$kernel32 KAVONIX_WIN32_RUNS= KAVONIX_OS_RELEASE=$STATE/os-release \
    "$work/tree/scripts/setup" >"$work/out" 2>"$work/err"
  status=$?
}

installed() { grep -qx -- "$1" "$STATE/installed"; }
count() { grep -c -- "$1" "$STATE/calls"; }
required=(g++-mingw-w64-x86-64-posix wine64 cmake googletest xvfb)

make_stand_ins "$work/bin"

case_name="update fails on one index, then everything installs"
run_setup yes 'touch "$STATE/update-fails"'
[ $status -eq 0 ] || fail "exit $status: $(cat "$work/err")"
for p in "${required[@]}" wine32:i386; do installed "$p" || fail "$p not installed"; done
grep -q "apt-get update failed.*unexpected size" "$work/out" || fail "the failed update is not reported: $(cat "$work/out")"
[ ! -f "$work/tree/build/setup-win32-wine.txt" ] || fail "a note of a 32-bit failure is left"

case_name="wine32:i386 refused as held broken packages"
run_setup yes 'echo wine32:i386 >"$STATE/broken"'
[ $status -eq 0 ] || fail "exit $status: $(cat "$work/err")"
for p in "${required[@]}"; do installed "$p" || fail "$p not installed"; done
installed wine32:i386 && fail "wine32:i386 installed"
grep -qx "setup: 32-bit Wine could not be installed: E: Unable to correct problems, you have held broken packages.; the 64-bit build runs instead" "$work/out" ||
  fail "no one-line reason: $(cat "$work/out")"
reason=$(cd "$work/tree" && KAVONIX_KERNEL_RUNS_32BIT=yes bash -c '. scripts/wine-lib.sh; kavonix_wine32=/nonexistent; kavonix_win32_missing')
[ "$reason" = "32-bit Wine could not be installed: E: Unable to correct problems, you have held broken packages." ] ||
  fail "the other scripts do not name the cause: $reason"

# The 64-bit Wine pulled a shared library from the security suite; the 32-bit
# side has only the release's older version of it.
skew='echo "libgstreamer-plugins-base1.0-0 1.22.0-3+deb12u7 1.22.0-3+deb12u6" >"$STATE/skew"'

case_name="wine32:i386 refused for a shared library's version: both sides matched"
run_setup yes "$skew"
[ $status -eq 0 ] || fail "exit $status: $(cat "$work/err")"
for p in "${required[@]}" wine32:i386; do installed "$p" || fail "$p not installed"; done
[ ! -s "$STATE/removed" ] || fail "a plan with removals was carried out: $(cat "$STATE/removed")"
grep -qx "Inst libgstreamer-plugins-base1.0-0 \[1.22.0-3+deb12u7\] (1.22.0-3+deb12u6 .*" "$STATE/done" ||
  fail "the 64-bit library was not taken at the 32-bit side's version: $(cat "$STATE/done" 2>/dev/null)"
[ "$(grep -c 'libgstreamer' "$work/out")" -eq 1 ] &&
  grep -q "^setup: .*32-bit Wine is installed.*libgstreamer-plugins-base1.0-0 1.22.0-3+deb12u6 (was 1.22.0-3+deb12u7)" "$work/out" ||
  fail "no one line naming what was taken older: $(cat "$work/out")"
grep -q zstd "$work/out" && fail "a package taken newer is named as older: $(cat "$work/out")"
[ "$(grep -c -- '-t kestrel' "$STATE/calls")" -gt 0 ] || fail "the release's codename was not asked for"
[ ! -f "$work/tree/build/setup-win32-wine.txt" ] || fail "a note of a 32-bit failure is left"

case_name="the matched plan fails too"
run_setup yes "$skew" 'touch "$STATE/matched-fails"'
[ $status -eq 0 ] || fail "exit $status: $(cat "$work/err")"
for p in "${required[@]}"; do installed "$p" || fail "$p not installed"; done
installed wine32:i386 && fail "wine32:i386 installed"
[ ! -s "$STATE/removed" ] || fail "a plan with removals was carried out: $(cat "$STATE/removed")"
grep -qx "setup: 32-bit Wine could not be installed: .*; the 64-bit build runs instead" "$work/out" ||
  fail "no one-line reason: $(cat "$work/out")"
[ -f "$work/tree/build/setup-win32-wine.txt" ] || fail "no note for the other scripts"

case_name="kernel without 32-bit programs"
run_setup no
[ $status -eq 0 ] || fail "exit $status: $(cat "$work/err")"
for p in "${required[@]}"; do installed "$p" || fail "$p not installed"; done
[ "$(count 'add-architecture')" -eq 0 ] || fail "the i386 architecture was added"
[ "$(count ':i386')" -eq 0 ] || fail "a 32-bit package was asked for: $(cat "$STATE/calls")"

case_name="required packages that cannot be installed"
run_setup no 'printf "cmake\n" >"$STATE/broken"'
[ $status -ne 0 ] || fail "exit 0"
[ "$(count 'install ')" -eq 2 ] || fail "not exactly one retry: $(cat "$STATE/calls")"
[ "$(count ' update')" -eq 2 ] || fail "no second update before the retry"
grep -q "could not install .*cmake.*held broken packages" "$work/err" || fail "packages and apt's line not named: $(cat "$work/err")"

case_name="everything present"
run_setup yes 'touch "$STATE/all-installed"'
[ $status -eq 0 ] || fail "exit $status"
[ ! -s "$work/out" ] && [ ! -s "$work/err" ] || fail "not quiet: $(cat "$work/out" "$work/err")"
[ "$(count 'apt-get')" -eq 0 ] || fail "apt-get was called"

if [ $failures -gt 0 ]; then
  echo "setup_test: $failures failed"
  exit 1
fi
echo "setup_test: every case passed"

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
  --add-architecture) echo "$2" >>"$STATE/arches" ;;
esac
EOF
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
pkgs=()
for a in "$@"; do case $a in -* | install) ;; *) pkgs+=("$a") ;; esac; done
for p in "${pkgs[@]}"; do
  if [[ $p == *:i386 ]] && ! grep -qx i386 "$STATE/arches" 2>/dev/null; then
    echo "E: Unable to locate package $p" >&2; exit 100
  fi
  if grep -qx -- "$p" "$STATE/broken" 2>/dev/null; then
    echo "Some packages could not be installed."
    echo "The following packages have unmet dependencies:"
    echo " $p : Depends: libc6 but it is not going to be installed"
    echo "E: Unable to correct problems, you have held broken packages." >&2
    exit 100
  fi
done
printf '%s\n' "${pkgs[@]}" >>"$STATE/installed"
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
  for f in "${@:2}"; do eval "$f"; done
  PATH="$work/bin:$PATH" KAVONIX_KERNEL_RUNS_32BIT=$kernel32 KAVONIX_WIN32_RUNS= \
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
reason=$(cd "$work/tree" && bash -c '. scripts/wine-lib.sh; kavonix_wine32=/nonexistent; kavonix_win32_missing')
[ "$reason" = "32-bit Wine could not be installed: E: Unable to correct problems, you have held broken packages." ] ||
  fail "the other scripts do not name the cause: $reason"

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

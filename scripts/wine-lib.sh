# Which Wine runs which exe, sourced by every script that starts a Windows
# program. A 32-bit exe needs Debian's 32-bit loader, a 64-bit one the 64-bit
# loader by its full path: /usr/bin/wine always tries the 32-bit loader first,
# which a kernel without 32-bit programs refuses ("Exec format error").
# A prefix is made for one of the two and never used by the other.

kavonix_wine32=/usr/lib/wine/wine
kavonix_wine64=/usr/lib/wine/wine64
[ -x "$kavonix_wine64" ] || kavonix_wine64=$(command -v wine64 2>/dev/null || echo /usr/lib/wine/wine64)

# "win32" or "win64" for a PE exe or DLL, from the machine field of its header.
kavonix_exe_arch() {
  local exe=$1 offset signature machine
  offset=$(od -An -tu4 -j60 -N4 "$exe" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] || { echo "wine: $exe is not a Windows program" >&2; return 1; }
  signature=$(od -An -tx1 -j"$offset" -N4 "$exe" 2>/dev/null | tr -d ' ')
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$exe" 2>/dev/null | tr -d ' ')
  case "$signature:$machine" in
    50450000:014c) echo win32 ;;
    50450000:8664) echo win64 ;;
    *) echo "wine: $exe is not a 32- or 64-bit x86 Windows program" >&2; return 1 ;;
  esac
}

kavonix_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Where setup notes why the 32-bit Wine could not be installed.
kavonix_win32_note=$kavonix_root/build/setup-win32-wine.txt

# Whether this kernel runs 32-bit programs at all, tried once by running a
# 93-byte 32-bit ELF that only exits: exit code 126 ("Exec format error")
# where the kernel refuses it. Needs no package, so setup asks it before
# installing anything 32-bit. KAVONIX_KERNEL_RUNS_32BIT=yes|no stands in for
# the answer (setup's own test).
kavonix_kernel_runs_32bit() {
  local probe
  if [ -z "${KAVONIX_KERNEL_RUNS_32BIT:-}" ]; then
    KAVONIX_KERNEL_RUNS_32BIT=no
    mkdir -p "$kavonix_root/build"
    probe=$(mktemp "$kavonix_root/build/.probe-elf32.XXXXXX") || return 1
    # ELF header, one loadable segment, then: mov eax,1; xor ebx,ebx; int 0x80
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
    chmod +x "$probe"
    if "$probe" >/dev/null 2>&1; then
      KAVONIX_KERNEL_RUNS_32BIT=yes
    fi
    rm -f "$probe"
    export KAVONIX_KERNEL_RUNS_32BIT
  fi
  [ "$KAVONIX_KERNEL_RUNS_32BIT" = yes ]
}

# Whether 32-bit Windows programs run here: the kernel runs 32-bit programs
# and the 32-bit loader runs (tried once).
kavonix_runs_win32() {
  if [ -z "${KAVONIX_WIN32_RUNS:-}" ]; then
    if kavonix_kernel_runs_32bit && [ -x "$kavonix_wine32" ] && "$kavonix_wine32" --version >/dev/null 2>&1; then
      KAVONIX_WIN32_RUNS=yes
    else
      KAVONIX_WIN32_RUNS=no
    fi
    export KAVONIX_WIN32_RUNS
  fi
  [ "$KAVONIX_WIN32_RUNS" = yes ]
}

kavonix_runs_win64() {
  [ -x "$kavonix_wine64" ] && "$kavonix_wine64" --version >/dev/null 2>&1
}

# Why the 32-bit build cannot run here, in a few words.
kavonix_win32_missing() {
  if ! kavonix_kernel_runs_32bit; then
    echo "this kernel runs no 32-bit programs (Exec format error)"
  elif [ ! -x "$kavonix_wine32" ] && [ -f "$kavonix_win32_note" ]; then
    cat "$kavonix_win32_note"
  elif [ ! -x "$kavonix_wine32" ]; then
    echo "32-bit Wine ($kavonix_wine32, package wine32:i386) is not installed"
  else
    echo "the 32-bit Wine loader ($kavonix_wine32) does not start"
  fi
}

# The loader for an arch, or one line saying why there is none.
kavonix_loader() {
  case $1 in
    win32)
      if kavonix_runs_win32; then echo "$kavonix_wine32"; return 0; fi
      echo "wine: cannot run a 32-bit Windows program: $(kavonix_win32_missing)" >&2
      ;;
    win64)
      if kavonix_runs_win64; then echo "$kavonix_wine64"; return 0; fi
      echo "wine: cannot run a 64-bit Windows program: 64-bit Wine ($kavonix_wine64, package wine64) does not run here" >&2
      ;;
  esac
  return 1
}

# Stops at once, in one line, where no Wine runs at all.
kavonix_require_wine() {
  if ! kavonix_runs_win32 && ! kavonix_runs_win64; then
    echo "${1:-wine}: no Wine runs here: $(kavonix_win32_missing), and 64-bit Wine ($kavonix_wine64, package wine64) does not run either; scripts/setup installs both" >&2
    exit 1
  fi
}

# The arch a prefix was made for ("" while it is not made yet).
kavonix_prefix_arch() {
  [ -f "$1/system.reg" ] || return 0
  sed -n 's/^#arch=//p' "$1/system.reg" | head -n 1
}

# Refuses a prefix made for the other arch, in one line.
kavonix_prefix_check() {
  local have
  : "${WINEPREFIX:?WINEPREFIX must name the prefix}"
  have=$(kavonix_prefix_arch "$WINEPREFIX")
  if [ -n "$have" ] && [ "$have" != "$1" ]; then
    echo "wine: the prefix $WINEPREFIX is made for $have, not $1: remove it, or use another" >&2
    return 1
  fi
}

# Makes the prefix $WINEPREFIX for an arch once, or brings it up to date.
# WINEARCH is exported too: a wineserver started on a new prefix writes its
# first registry for the arch it is told, else for its own (64-bit).
kavonix_prefix_boot() {
  local arch=$1 loader
  kavonix_prefix_check "$arch" || return 1
  loader=$(kavonix_loader "$arch") || return 1
  export WINEARCH=$arch
  mkdir -p "$WINEPREFIX"
  if [ -d "$WINEPREFIX/drive_c/windows" ]; then
    "$loader" wineboot </dev/null >/dev/null 2>&1
  else
    # 64-bit Wine complains once about syswow64's rundll32: harmless.
    "$loader" wineboot -i </dev/null >/dev/null 2>&1
  fi
}

# The build to run here: the 32-bit one (the one only some kernels can run,
# and the one for the oldest Windows) where the kernel runs 32-bit programs,
# else the 64-bit one. Sets kavonix_preset,
# kavonix_arch and kavonix_build_note (which build, and why, in a few words).
kavonix_pick_build() {
  kavonix_require_wine "${1:-wine}"
  if kavonix_runs_win32; then
    kavonix_preset=windows kavonix_arch=win32
    kavonix_build_note="the 32-bit build (build/windows): this kernel runs 32-bit programs"
  else
    kavonix_preset=windows-x64 kavonix_arch=win64
    kavonix_build_note="the 64-bit build (build/windows-x64): $(kavonix_win32_missing)"
  fi
}

#!/usr/bin/env bash
# A full disk for the program: a source image prepared first, then the
# conversion run under a file size limit smaller than its ISO.
set -euo pipefail
e2e="$1"
dir="$KAVONIX_BUILD/testfiles/diskfull"
mkdir -p "$dir"
image="$dir/full.bin"
# 3000 Mode 1 sectors: 7 MB source, 6 MB ISO; the limit allows 2 MB.
python3 - "$image" <<'PY'
import struct, sys
sync = b"\x00" + b"\xff" * 10 + b"\x00"
with open(sys.argv[1], "wb") as f:
    for i in range(3000):
        data = b"".join(struct.pack("<I", (i << 11) | w) for w in range(512))
        f.write(sync + bytes([i & 255, (i >> 8) & 255, 0, 1]) + data + b"\xee" * 288)
PY
rm -f "$dir/full.iso"
trap '' XFSZ
ulimit -f 2048
export KAVONIX_DISK_FULL="$image"
exec "$KAVONIX_SOURCE/scripts/wine-exec" "$e2e" --gtest_filter='ProgramConvert.DiskFull*'

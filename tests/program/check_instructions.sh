#!/usr/bin/env bash
# Windows XP runs on processors without SSE (Pentium II, K6, Athlon) and
# without SSE2 (Pentium III, Athlon XP), where such an instruction ends the
# program. The built exe must therefore hold none: no instruction on an xmm or
# ymm register, nor one of the SSE and later instructions that use none.
# (The Pentium Pro's cmov and fcomi stay: the toolchain's prebuilt runtime
# libraries use them.)
# The linker ends .text with data (constructor lists, exception tables) that
# would decode as anything; the link map tells where that data begins.
# Usage: check_instructions.sh <objdump> <exe> <link map>
set -euo pipefail
objdump="$1" exe="$2" map="$3"

code_end=$(awk '$2 == "__CTOR_LIST__" && $3 == "=" { print $1; exit }' "$map")
if [ -z "$code_end" ]; then
  echo "no __CTOR_LIST__ in $map: where the code ends is unknown" >&2
  exit 1
fi
listing=$("$objdump" -d --no-show-raw-insn --stop-address="$code_end" "$exe" |
  awk -F'\t' 'NF >= 2 && $1 ~ /^ *[0-9a-f]+:$/')
if [ -z "$listing" ]; then
  echo "no instructions read from $exe" >&2
  exit 1
fi

sse='ldmxcsr|stmxcsr|sfence|lfence|mfence|prefetch[a-z0-9]*|movnti[lq]?|movntq|maskmovq|clflush|'
sse+='fisttp[slq]?|monitor|mwait|crc32[bwlq]?|popcnt[wlq]?|'
sse+='pavgb|pavgw|pextrw|pinsrw|pmaxsw|pmaxub|pminsw|pminub|pmovmskb|pmulhuw|psadbw|pshufw|'
sse+='paddq|psubq|pmuludq|pabs[bwd]|palignr|phadd[wd]|phaddsw|phsub[wd]|phsubsw|pmaddubsw|'
sse+='pmulhrsw|pshufb|psign[bwd]'
found=$(awk -F'\t' -v sse="^($sse)( |\$)" '{
    text = $NF
    sub(/^((rep[a-z]*|lock|data16|addr32|notrack|bnd|[cdefgs]s) +)+/, "", text)
    if (text ~ /%[xyz]mm/ || text ~ sse)
      print
  }' <<<"$listing")
if [ -n "$found" ]; then
  echo "$(wc -l <<<"$found") SSE instructions in $exe (the first ones):"
  head -n 20 <<<"$found"
  exit 1
fi
echo "$(wc -l <<<"$listing") instructions up to $code_end, none of SSE or later"

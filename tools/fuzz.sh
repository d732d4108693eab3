#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a few seconds.
#   tools/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build="$here/build/fuzz"

"$here/tools/setup.sh" "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTESSARY_FUZZ=ON -DTESSARY_BUILD_TESTS=OFF -DTESSARY_BUILD_BENCH=OFF --target fuzz_targets

targets=$(tr ";" " " < "$build/fuzz_targets.txt")
[ -n "$targets" ] || { echo "no fuzz targets"; exit 1; }
for t in $targets; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  seeds="$here/tests/fuzz/seeds/$t"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
  # Seeds too large to keep in the repository, made here.
  if [ "$t" = mix_file_fuzz ] && [ ! -f "$corpus/many_keys.pmx" ]; then
    # A mebibyte of distinct keys: beyond the pair limit, at the read limit.
    python3 -c '
import struct, sys
body = bytearray(); n = 0
while len(body) < (1 << 20) - 8 - 16:
    body += b"k%d\0%d\0" % (n, n % 256); n += 1
sys.stdout.buffer.write(b"PROP" + struct.pack("<I", n) + bytes(body))' > "$corpus/many_keys.pmx"
  fi
  # Flags of its own for a target (say, a larger -max_len) in tests/fuzz/TARGET.options.
  options=()
  [ -f "$here/tests/fuzz/$t.options" ] && read -r -a options < "$here/tests/fuzz/$t.options"
  echo "== $t: ${seconds}s ${options[*]+${options[*]}}"
  "$build/tests/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 ${options[@]+"${options[@]}"} "$corpus" 2>&1 |
    tail -n 12
done
echo "fuzzing: all targets ran without a finding"

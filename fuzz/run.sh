#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs each for a bounded time.
# FUZZ_RUNS and FUZZ_SECONDS bound a run; FUZZ_BUILD_DIR is where it builds (default build-fuzz).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${FUZZ_BUILD_DIR:-$here/../build-fuzz}
runs=${FUZZ_RUNS:-200000}
seconds=${FUZZ_SECONDS:-60}

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" -j2 mask_fuzzer project_fuzzer check_reader_fuzzer

# New inputs go to a scratch corpus; the kept seeds in the repository are only read.
fuzz() {
  local target=$1 corpus=$2 max_len=$3 dict=()
  [ -f "$here/$corpus.dict" ] && dict=(-dict="$here/$corpus.dict")
  local scratch="$build/corpus/$corpus"
  mkdir -p "$scratch"
  "$build/$target" -runs="$runs" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "${dict[@]}" "$scratch" "$here/corpus/$corpus"
}
fuzz mask_fuzzer mask 512
fuzz project_fuzzer project 8192
fuzz check_reader_fuzzer check 1024

#!/usr/bin/env bash
# Builds the benchmarks in their own Release tree and runs them.
# Usage: bench/run.sh [BUILD_DIR]   (default ./build-bench, relative to the repository)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DSUMWISE_BUILD_BENCH=ON -DSUMWISE_BUILD_TESTS=OFF
cmake --build "$build"

"$build/bin/bench_formulas"
echo
"$build/bin/bench_textlib"
echo
"$build/bin/bench_highlight"
echo
"$root/bench/command.sh" "$build"

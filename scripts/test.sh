#!/usr/bin/env bash
# What CI runs (.ci/run), in order of cost:
#   1. scripts/check-format.sh: every tracked C++ file as clang-format 14 leaves it;
#   2. the build with the benchmarks, and the whole test suite under ctest (the package and
#      lintian among it);
#   3. the same in a build with AddressSanitizer and UndefinedBehaviorSanitizer
#      (scripts/sanitize.sh; SUMWISE_SKIP_SANITIZE=1 leaves it out);
#   4. every fuzz target built with clang and run on its corpus for SUMWISE_FUZZ_SECONDS
#      (default 3) each, failing on a finding (fuzz/run.sh; SUMWISE_SKIP_FUZZ=1 leaves it out).
# Installs what is missing first. With SUMWISE_WERROR=ON (as CI sets it) a compiler warning
# fails the build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
werror=-DSUMWISE_WERROR=${SUMWISE_WERROR:-OFF}
"$root/scripts/install-deps.sh"
"$root/scripts/check-format.sh"
"$root/scripts/build.sh" "$werror" -DSUMWISE_BUILD_BENCH=ON
# Tests never touch the user's own settings or desktop.
export XDG_CONFIG_HOME=$(mktemp -d)
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
export QT_QPA_PLATFORM=offscreen
(cd "$build" && ctest --output-on-failure -j "$(nproc)" --timeout 300)
if [[ ${SUMWISE_SKIP_SANITIZE:-0} != 1 ]]; then
    BUILD_DIR="$root/build-asan" "$root/scripts/sanitize.sh" "$werror"
fi
if [[ ${SUMWISE_SKIP_FUZZ:-0} != 1 ]]; then
    t=$SECONDS
    BUILD_DIR="$root/build-fuzz" "$root/fuzz/run.sh" "${SUMWISE_FUZZ_SECONDS:-3}"
    echo "fuzz smoke run: $((SECONDS - t)) s, build included"
fi

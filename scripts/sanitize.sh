#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into ./build-asan (or
# $BUILD_DIR) and runs the whole test suite there. Any sanitizer report fails the test that
# caused it. Leak checking stays with the fuzz targets: Qt, fontconfig and libdbus keep
# process-lifetime caches that a leak checker reports at every exit. Arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-asan}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSUMWISE_SANITIZE=ON "$@" >/dev/null
cmake --build "$build"
export XDG_CONFIG_HOME=$(mktemp -d)
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 900

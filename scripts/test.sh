#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite under ctest; then
# runs it again in a build with AddressSanitizer and UndefinedBehaviorSanitizer
# (scripts/sanitize.sh; SUMWISE_SKIP_SANITIZE=1 leaves that pass out).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
# Tests never touch the user's own settings or desktop.
export XDG_CONFIG_HOME=$(mktemp -d)
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
export QT_QPA_PLATFORM=offscreen
(cd "$build" && ctest --output-on-failure -j "$(nproc)" --timeout 300)
if [[ ${SUMWISE_SKIP_SANITIZE:-0} != 1 ]]; then
    BUILD_DIR="$root/build-asan" "$root/scripts/sanitize.sh"
fi

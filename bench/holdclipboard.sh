#!/usr/bin/env bash
# How long holdClipboard takes from its call until the background holder owns the clipboard,
# on a private Xvfb. Prints the median of ROUNDS (default 50) calls.
# Usage: bench/holdclipboard.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail

build=$(realpath -m "${1:-./build}")
rounds=${2:-50}
bench=$build/bin/bench_holdclipboard
[[ -x $bench ]] || { echo "error: build the target bench_holdclipboard in $build first" >&2; exit 1; }

tmp=$(mktemp -d)
cleanup() {
  [[ -n ${x_pid:-} ]] && kill "$x_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
# Xvfb names a free display on the descriptor once it accepts clients.
Xvfb -displayfd 3 -nolisten tcp -noreset 3>"$tmp/display" >/dev/null 2>&1 &
x_pid=$!
for _ in $(seq 100); do
  [[ -s $tmp/display ]] && break
  sleep 0.1
done
[[ -s $tmp/display ]] || { echo "error: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$tmp/display")
unset WAYLAND_DISPLAY
"$bench" "$rounds"

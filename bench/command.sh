#!/usr/bin/env bash
# Wall time of one whole command: the plain filter `sumwise substitute < file` against the floor
# of any Qt Core program (one that reads one settings value, built here) and against bc, with
# qalc and python as other peers, all in one hyperfine run; then the ratios of the medians.
# Also the start of `sumwise --version` and of the clipboard holder (a malformed request, which
# it refuses at once). No session bus and no display, as for a filter in a plain terminal.
# Usage: bench/command.sh [BUILD_DIR]   (default ./build)
set -euo pipefail

build=${1:-./build}
sumwise=$(realpath -m "$build/bin/sumwise")
root=$(cd "$(dirname "$0")/.." && pwd)
[[ -x $sumwise ]] || { echo "error: $sumwise not built" >&2; exit 1; }
for tool in hyperfine bc qalc python3 pkg-config c++; do
  command -v "$tool" >/dev/null || { echo "error: $tool not found" >&2; exit 1; }
done
# A pyenv shim is a bash script; time the interpreter, not the shim. PYTHON picks another.
python=${PYTHON:-$(pyenv which python3 2>/dev/null || command -v python3)}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# shellcheck disable=SC2046
c++ -std=c++20 -O2 -fPIC "$root/bench/corefloor.cpp" -o "$tmp/corefloor" \
  $(pkg-config --cflags --libs Qt6Core)
# Private settings for every tool, so the user's files play no part and none are touched.
export XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_CACHE_HOME=$tmp/cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
unset DISPLAY WAYLAND_DISPLAY
printf '2*(3+4)^2\n' >"$tmp/formula"
# The first run stores the constants; every measured run finds them.
"$sumwise" substitute <"$tmp/formula" >/dev/null

[[ $("$sumwise" substitute <"$tmp/formula") == 98 && $("$sumwise" substitute '2*(3+4)^2') == 98 ]] ||
  { echo "error: $sumwise does not calculate" >&2; exit 1; }

# Five rounds of every command, so that a moment of load elsewhere on the machine falls on all
# of them alike; the figures are medians over the rounds.
# Without a shell, for the finest figures: the formula as arguments, bc reading the file.
# The refused holder request ends with status 2, hence --ignore-failure.
for round in 1 2 3 4 5; do
  hyperfine -N --ignore-failure --warmup 5 --runs 60 --export-json "$tmp/direct$round.json" \
    -n 'Qt Core floor' "$tmp/corefloor" \
    -n 'sumwise substitute FORMULA' "$sumwise substitute 2*(3+4)^2" \
    -n 'bc -l FILE' "bc -l $tmp/formula" \
    -n 'sumwise --version' "$sumwise --version" \
    -n 'sumwise --hold-clipboard (refused request)' "$sumwise --hold-clipboard" >/dev/null 2>&1
  # The filter as editors run it, input redirected; hyperfine subtracts the shell's start-up.
  hyperfine --warmup 5 --runs 40 --export-json "$tmp/shell$round.json" \
    -n 'Qt Core floor < file' "'$tmp/corefloor' < '$tmp/formula'" \
    -n 'sumwise substitute < file' "'$sumwise' substitute < '$tmp/formula'" \
    -n 'bc -l < file' "bc -l < '$tmp/formula'" >/dev/null 2>&1
done
hyperfine --warmup 2 --runs 20 --export-json "$tmp/peers.json" \
  -n "qalc -t '2*(3+4)^2'" "qalc -t '2*(3+4)^2'" \
  -n "python3 -c 'print(2*(3+4)**2)'" "'$python' -c 'print(2*(3+4)**2)'" >/dev/null 2>&1

echo "python3: $python"
python3 - "$tmp"/*.json <<'PY'
import collections, json, statistics, sys
times = collections.defaultdict(list)
order = []
for path in sys.argv[1:]:
    for r in json.load(open(path))["results"]:
        if r["command"] not in times:
            order.append(r["command"])
        times[r["command"]] += r["times"]
median = {c: statistics.median(t) * 1000 for c, t in times.items()}
print("| Command | Median [ms] | Runs |\n|:---|---:|---:|")
for c in order:
    print(f"| `{c}` | {median[c]:.2f} | {len(times[c])} |")
print()
for label, filt, floor, bc in (
        ("formula as arguments", "sumwise substitute FORMULA", "Qt Core floor", "bc -l FILE"),
        ("input redirected", "sumwise substitute < file", "Qt Core floor < file", "bc -l < file")):
    f, q, b = median[filt], median[floor], median[bc]
    print(f"{label}: sumwise {f:.2f} ms, Qt Core floor {q:.2f} ms, bc {b:.2f} ms; "
          f"sumwise - floor {f - q:+.2f} ms, sumwise / floor {f / q:.2f}, sumwise / bc {f / b:.1f}")
PY

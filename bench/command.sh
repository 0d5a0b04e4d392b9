#!/usr/bin/env bash
# Wall time of one whole command per formula: sumwise against bc, qalc and python, with an
# empty program as this machine's process-start floor.
# Usage: bench/command.sh [BUILD_DIR]   (default ./build)
set -euo pipefail

build=${1:-./build}
sumwise=$(realpath -m "$build/bin/sumwise")
[[ -x $sumwise ]] || { echo "error: $sumwise not built" >&2; exit 1; }
for tool in hyperfine bc qalc python3; do
  command -v "$tool" >/dev/null || { echo "error: $tool not found" >&2; exit 1; }
done
# A pyenv shim is a bash script; time the interpreter, not the shim. PYTHON picks another.
python=${PYTHON:-$(pyenv which python3 2>/dev/null || command -v python3)}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Private settings for every tool, so the user's files play no part and none are touched.
export XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_CACHE_HOME=$tmp/cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
printf '2*(3+4)^2\n' >"$tmp/formula"

# Input redirection needs a shell; hyperfine subtracts the shell's own start-up time.
hyperfine --warmup 5 --runs 50 --export-markdown "$tmp/table.md" \
  -n '/bin/true (process floor)' '/bin/true' \
  -n 'sumwise substitute < file' "'$sumwise' substitute < '$tmp/formula'" \
  -n 'bc -l < file' "bc -l < '$tmp/formula'" \
  -n "qalc -t '2*(3+4)^2'" "qalc -t '2*(3+4)^2'" \
  -n "python3 -c 'print(2*(3+4)**2)'" "'$python' -c 'print(2*(3+4)**2)'"

echo
echo "python3: $python"
cat "$tmp/table.md"

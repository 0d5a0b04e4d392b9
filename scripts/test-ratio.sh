#!/usr/bin/env bash
# Lines of C++ test code against those of the program and its libraries (benchmarks and fuzz
# targets apart), blank and comment-only lines left out: the suite is meant to stay near a
# third of the code.
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
    git ls-files -- "$@" | grep -E '\.(cpp|h)$' | xargs -r cat | grep -cvE '^\s*(//.*)?$'
}
tests=$(count tests)
code=$(count . ':!tests' ':!bench' ':!fuzz')
echo "tests $tests, code $code: $((100 * tests / code)) %"

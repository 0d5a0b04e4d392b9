#!/usr/bin/env bash
# scripts/check-format.sh on small repositories with the project's .clang-format: it fails
# exactly when a tracked C++ file would change, and names those files.
#
#   format_gate_test.sh SOURCE_DIR
set -euo pipefail
source=$(cd "$1" && pwd)
command -v clang-format >/dev/null || { echo "clang-format missing: skipped"; exit 77; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
good=$'int f(int x) {\n    return x + 1;\n}\n'
bad=$'int  f(int x){return x+1;}\n'

# case NAME EXPECTED_STATUS EXPECTED_LISTED SETUP: SETUP runs in a fresh repository holding
# the .clang-format; the listed files are those the gate prints, space-separated.
case_() {
    local name=$1 status=$2 listed=$3 setup=$4 repo=$tmp/$1 out rc
    mkdir -p "$repo"
    (cd "$repo" && git init -q && cp "$source/.clang-format" . && eval "$setup")
    rc=0
    out=$("$source/scripts/check-format.sh" "$repo" 2>&1) || rc=$?
    local got
    got=$(sed -n 's/^  \([^ (].*\)$/\1/p' <<<"$out" | tr '\n' ' ' | sed 's/ $//')
    if [[ $rc != "$status" || $got != "$listed" ]]; then
        echo "FAIL: $name: status $rc (want $status), listed '$got' (want '$listed')" >&2
        echo "$out" | sed 's/^/    /' >&2
        failures=$((failures + 1))
    fi
    if ((rc == 1)) && ! grep -q -- '-i ' <<<"$out"; then
        echo "FAIL: $name: no command that formats the files" >&2
        failures=$((failures + 1))
    fi
}

case_ formatted 0 "" "printf '%s' '$good' >a.cpp && printf '%s' '$good' >b.h && git add ."
case_ one-unformatted 1 "b.h" "printf '%s' '$good' >a.cpp && printf '%s' '$bad' >b.h && git add ."
case_ every-extension 1 "a.cc a.cpp a.cxx a.h a.hpp" \
    "for e in cpp h hpp cc cxx; do printf '%s' '$bad' >a.\$e; done && git add ."
case_ untracked-ignored 0 "" "printf '%s' '$good' >a.cpp && git add . && printf '%s' '$bad' >new.cpp"
case_ deleted-ignored 0 "" "printf '%s' '$bad' >gone.cpp && git add . && rm gone.cpp"
case_ other-files-ignored 0 "" "printf '%s' '$bad' >notes.txt && printf '%s' '$bad' >a.c && git add ."
case_ space-in-name 1 "dir with space/a b.cpp" \
    "mkdir 'dir with space' && printf '%s' '$bad' >'dir with space/a b.cpp' && git add ."

if ((failures)); then
    echo "$failures case(s) failed" >&2
    exit 1
fi
echo "format gate: all cases passed"

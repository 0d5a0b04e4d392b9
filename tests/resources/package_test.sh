#!/usr/bin/env bash
# The manual page and the Debian package of a built tree: the page renders without groff
# warnings, names itself for whatis and documents every command and option of --help; the
# package made with cpack holds the Debian documentation files and lintian finds no error.
# Exits 77 (skipped) without cpack, dpkg-deb, man or lintian.
#
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)

for tool in cpack dpkg-deb man lexgrog lintian; do
    command -v "$tool" >/dev/null || { echo "$tool missing (scripts/install-deps.sh): skipped"; exit 77; }
done

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# --- The manual page.
page=$build/share/man/man1/sumwise.1
if [[ ! -f $page.gz ]]; then
    fail "missing $page.gz"
else
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page.gz" 2>&1 >"$tmp/page.txt") ||
        fail "man -l $page.gz failed: $warnings"
    [[ -z $warnings ]] && ! grep -q '@[A-Z_]*@' "$page" || fail "groff warnings or placeholders: $warnings"
    [[ $(lexgrog "$page.gz" 2>&1) == *': "sumwise - '* ]] || fail "lexgrog finds no whatis line: $(lexgrog "$page.gz" 2>&1)"
    # Each command and option that --help lists before its examples: an indented word, or
    # "-h, --help".
    help=$("$build/bin/sumwise" --help)
    mapfile -t documented < <(sed -nE '/^Examples:/q; s/^  (-[a-z], )?(-[-a-z]+|[a-z]+)[ =].*/\2/p' <<<"$help")
    ((${#documented[@]} >= 10)) || fail "--help lists only ${#documented[@]} commands and options: ${documented[*]}"
    for word in "${documented[@]}"; do
        grep -qE "^ {7}(-[a-z], )?${word}( |=|$)" "$tmp/page.txt" || fail "the manual page does not describe $word"
    done
fi

# --- The package.
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/package" >"$tmp/cpack.log" 2>&1; then
    fail "cpack failed: $(cat "$tmp/cpack.log")"
else
    deb=$(ls "$tmp"/package/sumwise_*.deb)
    contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
    for path in ./usr/share/doc/sumwise/copyright ./usr/share/doc/sumwise/changelog.Debian.gz \
        ./usr/share/man/man1/sumwise.1.gz ./usr/share/lintian/overrides/sumwise; do
        grep -qxF -- "$path" <<<"$contents" || fail "the package lacks $path"
    done
    version=$(dpkg-deb -f "$deb" Version)
    [[ $version == "$("$build/bin/sumwise" --version | cut -d' ' -f2)-"* ]] ||
        fail "package version $version is not the program's plus a Debian revision"
    newest=$(sed -nE '1s/^sumwise \(([^)]*)\).*/\1/p' "$source/packaging/changelog")
    [[ $newest == "$version" ]] || fail "packaging/changelog's newest entry is $newest, the package $version"
    if ! lintian --fail-on error "$deb" >"$tmp/lintian.log" 2>&1; then
        fail "lintian reports errors: $(grep -v '^running with root' "$tmp/lintian.log")"
    fi
    grep -E '^[WIP]:' "$tmp/lintian.log" | sed 's/^/-- lintian /' || true
fi

if ((failures)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "manual page and package checks passed"

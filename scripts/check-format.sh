#!/usr/bin/env bash
# Fails when clang-format, with the repository's .clang-format, would change a tracked C++
# file; lists those files and the command that formats them.
#
#   scripts/check-format.sh [SOURCE_DIR]    (default: this checkout)
#
# CLANG_FORMAT names the formatter (default: clang-format-14, else clang-format). Other major
# versions format some constructs differently, so CI uses Debian 12's clang-format 14.
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)
cd "$root"
format=${CLANG_FORMAT:-$(command -v clang-format-14 || command -v clang-format || true)}
if [[ -z $format ]]; then
    echo "error: clang-format not found (scripts/install-deps.sh installs it)" >&2
    exit 2
fi
version=$("$format" --version)
[[ $version == *" version 14."* ]] || echo "note: $version is not clang-format 14, which CI uses" >&2

mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h' '*.hpp' '*.cc' '*.cxx')
# Files in batches over the cores; a tracked file deleted in the work tree is not judged.
mapfile -t unformatted < <(
    printf '%s\0' "${files[@]}" | xargs -0 -r -n 16 -P "$(nproc)" bash -c '
        format=$1; shift
        for file; do
            [[ -f $file ]] || continue
            "$format" --style=file "$file" | cmp -s - "$file" || echo "$file"
        done' _ "$format" | sort)

if ((${#unformatted[@]})); then
    echo "clang-format would change ${#unformatted[@]} file(s):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    echo "Format them with:" >&2
    printf '  (cd %q && %s -i' "$root" "$(basename "$format")" >&2
    printf ' %q' "${unformatted[@]}" >&2
    printf ')\n' >&2
    exit 1
fi
echo "clang-format: ${#files[@]} files formatted"

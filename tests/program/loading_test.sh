#!/usr/bin/env bash
# The plain filter and the clipboard holder load Qt Core and what they need, never Qt GUI,
# widgets, D-Bus or (for the filter) the display libraries: the dynamic loader's own account
# of the libraries it opened, for each request.
# Usage: loading_test.sh BUILD_DIR
set -uo pipefail
build=$1
sumwise=$build/bin/sumwise
status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY

# Runs the program with the loader's file log; sets $loaded (library names) and $out.
run() {
    local input=$1
    shift
    out=$(printf '%s' "$input" | LD_DEBUG=files LD_DEBUG_OUTPUT=$tmp/ld "$sumwise" "$@" 2>/dev/null)
    code=$?
    loaded=$(cat "$tmp"/ld.* 2>/dev/null | sed -n 's/.*file=\([^ ]*\) .*/\1/p' | sort -u)
    rm -f "$tmp"/ld.*
}

gui='libQt6(Gui|Widgets|DBus)|libdbus-1'
display='libxcb|libwayland|libxkbcommon'
# expect NAME INPUT STATUS FORBIDDEN ARGS...: the request ends with STATUS and loads no library
# matching FORBIDDEN (an extended regular expression).
expect() {
    local name=$1 input=$2 expected=$3 forbidden=$4
    shift 4
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent run "$input" "$@"
    [[ $code == "$expected" ]] || fail "$name: status $code, not $expected"
    [[ -n $loaded ]] || fail "$name: the loader logged nothing"
    local bad
    if bad=$(grep -E "$forbidden" <<<"$loaded"); then
        fail "$name loads $(tr '\n' ' ' <<<"$bad")"
    fi
}
expect substitute '2*(3+4)^2' 0 "$gui|$display" substitute
[[ $out == 98 ]] || fail "substitute gave '$out'"
expect 'add with a failure' '1/0' 1 "$gui|$display" add
expect 'formula as arguments' '' 0 "$gui|$display" substitute '2^10'
[[ $out == 1024 ]] || fail "substitute 2^10 gave '$out'"
expect 'malformed holder request' 'junk' 2 "$gui" --hold-clipboard

# The rest needs the desktop module: it is found beside the program and serves.
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent run '{\rtf1 2+3}' add
[[ $code == 0 && $out == *' = 5'* ]] || fail "RTF add through the desktop module: status $code, '$out'"
grep -q 'libQt6Gui' <<<"$loaded" || fail "RTF add did not load the desktop module"

# A program without its modules beside it still filters plain text; what needs a module fails
# with the reason and gives the selection back.
mkdir -p "$tmp/alone/bin"
cp "$sumwise" "$tmp/alone/bin/"
out=$(printf '2+3\n' | DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$tmp/alone/bin/sumwise" add)
[[ $out == '2+3 = 5' ]] || fail "the program alone: add gave '$out'"
rtf='{\rtf1 2+3}'
out=$(printf '%s\n' "$rtf" | DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
    "$tmp/alone/bin/sumwise" add 2>"$tmp/err")
code=$?
[[ $code == 1 && $out == "$rtf" ]] || fail "the program alone: RTF add gave status $code, '$out'"
grep -q 'cannot load sumwise-desktop.so' "$tmp/err" || fail "the program alone says: $(cat "$tmp/err")"

[[ $status == 0 ]] && echo "loading: each request loads only what it needs"
exit $status

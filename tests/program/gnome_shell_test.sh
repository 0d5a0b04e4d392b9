#!/usr/bin/env bash
# The one keystroke in GNOME Shell: a headless Wayland-only Shell with the extension from the
# build tree, Mousepad as a Wayland client, keys through Mutter's RemoteDesktop interface,
# the provider activated from the build tree, everything in German. Each case opens its own
# file and reads back what Mousepad saved.
#
#   gnome_shell_test.sh BUILD_DIR SOURCE_DIR     (exit 77: a program is missing, skipped)
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
for tool in gnome-shell mousepad gjs dbus-daemon; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool missing: skipped"
        exit 77
    fi
done
uuid=sumwise@sumwise.org
keys=$source/tests/program/mutter_keys.js

tmp=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

mkdir -m 700 "$tmp/run"
mkdir -p "$tmp/data/gnome-shell" "$tmp/config/glib-2.0/settings" "$tmp/home"
ln -s "$build/share/gnome-shell/extensions" "$tmp/data/gnome-shell/extensions"
cat >"$tmp/config/glib-2.0/settings/keyfile" <<KEYFILE
[org/gnome/shell]
enabled-extensions=['$uuid']
welcome-dialog-last-shown-version='999'
KEYFILE
export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/run XDG_DATA_HOME=$tmp/data
export XDG_CONFIG_HOME=$tmp/config GSETTINGS_BACKEND=keyfile
export LANG=de_DE.UTF-8 LANGUAGE=de LC_ALL=
# The provider starts from the bus, before the Shell can tell it a display.
export QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY

start_bus() { # variable, dbus-daemon options: sets the variable to the bus's address
    local out
    out=$(dbus-daemon "${@:2}" --fork --print-address=1 --print-pid=1)
    pids+=("$(sed -n 2p <<<"$out")")
    printf -v "$1" '%s' "$(sed -n 1p <<<"$out")"
    export "${1?}"
}
# Without a system bus of its own the Shell aborts in its login-manager code.
start_bus DBUS_SYSTEM_BUS_ADDRESS --session --address="unix:path=$tmp/system_bus"
start_bus DBUS_SESSION_BUS_ADDRESS --config-file="$build/share/sumwise/test-session-bus.conf"

gnome-shell --headless --wayland --no-x11 --virtual-monitor 1280x800 >"$tmp/shell.log" 2>&1 &
pids+=($!)
enabled() { # the Shell's own word: state 1 is enabled
    gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell \
        -m org.gnome.Shell.Extensions.GetExtensionInfo "$uuid" 2>/dev/null |
        grep -q "'state': <1.0>"
}
for ((i = 0; i < 100; i++)); do
    enabled && break
    sleep 0.2
done
if ! enabled; then
    echo "FAIL: the extension is not enabled" >&2
    cat "$tmp/shell.log" >&2
    exit 1
fi
# The Shell starts in the overview, where no application has the keyboard.
gjs "$keys" escape

case_in_mousepad() { # name, expected content, key steps... (the file holds $content)
    local name=$1 file=$tmp/$1.txt expected=$2
    shift 2
    printf '%b' "$content" >"$file"
    GDK_BACKEND=wayland WAYLAND_DISPLAY=wayland-0 mousepad "$file" >>"$tmp/mousepad.log" 2>&1 &
    local editor=$!
    pids+=("$editor")
    sleep 3 # the window maps and takes the focus
    gjs "$keys" "$@" sleep:2500 ctrl+s sleep:500
    kill "$editor" 2>/dev/null || true
    wait "$editor" 2>/dev/null || true
    local got
    got=$(cat "$file"; echo x)
    got=${got%x}
    local want
    printf -v want '%b' "$expected"
    [[ $got == "$want" ]] ||
        fail "$name: the document holds $(printf %q "$got"), expected $(printf %q "$want")"
}

# The primary selection of the focused window; the line break stays; the clipboard is given
# back (pasted at the end).
content='1+2*3\n'
case_in_mousepad substitute '7\n1+2*3\n' \
    ctrl+a ctrl+c ctrl+a ctrl+alt+equal sleep:2500 ctrl+end ctrl+v
content='1/4'
case_in_mousepad add-german '1/4 = 0,25' ctrl+a ctrl+alt+a
# The selection made before another window took the focus: asked for by Ctrl+C.
content='2^10'
case_in_mousepad copy-request '1024' \
    ctrl+a ctrl+n sleep:1500 ctrl+w sleep:1000 ctrl+alt+equal
# Nothing is pasted, one notification.
content='1/0\n'
case_in_mousepad failure '1/0\n' ctrl+a ctrl+alt+equal
notices=$(grep -c 'Sumwise: 1/0: Division durch null' "$tmp/shell.log" || true)
[[ $notices == 1 ]] || fail "failure: $notices notifications of 'Division durch null', expected 1"

if ((failures)); then
    echo "--- shell log" >&2
    grep -i 'sumwise\|JS ERROR' "$tmp/shell.log" >&2 || true
    echo "$failures case(s) failed" >&2
    exit 1
fi
echo "all GNOME Shell cases passed"

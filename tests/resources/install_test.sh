#!/usr/bin/env bash
# Desktop integration of a built tree: the desktop entry, the D-Bus activation files, the
# private test bus and the layout that `cmake --install` produces.
#
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
note() { echo "-- $*"; }

tmp=$(mktemp -d)
bus_pid=
cleanup() {
    if [[ -n $bus_pid ]]; then kill "$bus_pid" 2>/dev/null || true; fi
    rm -rf "$tmp"
}
trap cleanup EXIT

# The value of KEY in the first group of a desktop-style file (D-Bus service files share
# the syntax).
value_of() { sed -n "s/^$2=//p" "$1" | head -n 1; }

validate_desktop() {
    if ! command -v desktop-file-validate >/dev/null; then
        note "desktop-file-validate missing (package desktop-file-utils): not validated"
        return
    fi
    local out
    if ! out=$(desktop-file-validate "$1" 2>&1) || [[ -n $out ]]; then
        fail "desktop-file-validate $1: $out"
    fi
}

# --- The desktop entry as shipped.
desktop=$source/resources/sumwise.desktop
validate_desktop "$desktop"
[[ $(value_of "$desktop" Exec) == sumwise ]] || fail "desktop entry does not run sumwise"
for action in substitute add show copy; do
    grep -qx "Exec=sumwise $action --selection" "$desktop" ||
        fail "desktop entry has no action running 'sumwise $action --selection'"
done
# KWin's fake input (the paste) and window management (terminal detection).
[[ $(value_of "$desktop" X-KDE-Wayland-Interfaces) == \
    org_kde_kwin_fake_input,org_kde_plasma_window_management ]] ||
    fail "desktop entry does not ask KWin for fake input and window management"

# --- The build tree's activation file names the built executable.
service=$build/share/dbus-1/services/org.sumwise.Sumwise.service
if [[ ! -f $service ]]; then
    fail "missing $service"
else
    [[ $(value_of "$service" Name) == org.sumwise.Sumwise ]] || fail "$service: wrong Name"
    exec_path=$(value_of "$service" Exec)
    [[ $exec_path -ef $build/bin/sumwise ]] || fail "$service: Exec=$exec_path is not $build/bin/sumwise"
    [[ -x $exec_path ]] || fail "$service: $exec_path is not executable"
fi

# --- The private test bus accepts its configuration and offers the provider for activation.
bus_conf=$build/share/sumwise/test-session-bus.conf
if [[ ! -f $bus_conf ]]; then
    fail "missing $bus_conf"
elif ! command -v dbus-daemon >/dev/null || ! command -v dbus-send >/dev/null; then
    note "dbus-daemon or dbus-send missing: test bus not started"
else
    # With --fork the daemon prints its address and process id, then leaves the foreground.
    if started=$(dbus-daemon --config-file="$bus_conf" --fork --print-address=1 --print-pid=1 2>"$tmp/bus.log"); then
        address=$(sed -n 1p <<<"$started")
        bus_pid=$(sed -n 2p <<<"$started")
    else
        address=
    fi
    if [[ -z $address || -z $bus_pid ]]; then
        fail "dbus-daemon did not start with $bus_conf: $(cat "$tmp/bus.log")"
    else
        names=$(dbus-send --bus="$address" --print-reply --dest=org.freedesktop.DBus \
            /org/freedesktop/DBus org.freedesktop.DBus.ListActivatableNames)
        grep -q '"org.sumwise.Sumwise"' <<<"$names" ||
            fail "test bus cannot activate org.sumwise.Sumwise: $names"
    fi
    if [[ -n $bus_pid ]]; then kill "$bus_pid" 2>/dev/null || true; fi
    bus_pid=
fi

# --- The help document carries the guide's text.
pdf="$build/share/sumwise/help/Read Me.pdf"
if [[ ! -f $pdf ]]; then
    fail "missing $pdf"
elif command -v pdftotext >/dev/null; then
    text=$(pdftotext -layout "$pdf" -)
    for phrase in "Division by zero" "sumwise substitute --selection" "FACT(" "Sumwise.conf"; do
        grep -qF -- "$phrase" <<<"$text" || fail "help document lacks \"$phrase\""
    done
else
    note "pdftotext missing (package poppler-utils): help text not checked"
fi

# --- cmake --install into a temporary prefix.
prefix=$tmp/prefix
if ! cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1; then
    fail "cmake --install failed: $(cat "$tmp/install.log")"
fi
for file in bin/sumwise \
    lib/sumwise/sumwise-bus.so \
    lib/sumwise/sumwise-desktop.so \
    lib/sumwise/sumwise-display.so \
    share/sumwise/translations/sumwise_en.qm \
    share/sumwise/translations/sumwise_de.qm \
    "share/sumwise/help/Read Me.pdf" \
    share/applications/sumwise.desktop \
    share/dbus-1/services/org.sumwise.Sumwise.service \
    share/icons/hicolor/scalable/apps/sumwise.svg \
    share/gnome-shell/extensions/sumwise@sumwise.org/metadata.json \
    share/gnome-shell/extensions/sumwise@sumwise.org/extension.js \
    share/gnome-shell/extensions/sumwise@sumwise.org/routine.js \
    share/gnome-shell/extensions/sumwise@sumwise.org/schemas/gschemas.compiled; do
    [[ -f $prefix/$file ]] || fail "install lacks $file"
done
[[ -x $prefix/bin/sumwise ]] || fail "installed sumwise is not executable"
# The installed program finds its desktop module beside it: RTF goes through the module.
if [[ -x $prefix/bin/sumwise ]]; then
    out=$(printf '{\\rtf1 2+3}' | DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
        XDG_CONFIG_HOME=$tmp/config QT_QPA_PLATFORM=offscreen "$prefix/bin/sumwise" add 2>&1)
    [[ $out == *' = 5'* ]] || fail "installed sumwise add on RTF gave '$out'"
fi
installed_service=$prefix/share/dbus-1/services/org.sumwise.Sumwise.service
if [[ -f $installed_service ]]; then
    [[ $(value_of "$installed_service" Exec) == "$prefix/bin/sumwise" ]] ||
        fail "installed service runs '$(value_of "$installed_service" Exec)', not $prefix/bin/sumwise"
    grep -q '@' "$installed_service" && fail "installed service keeps a placeholder"
fi
installed_desktop=$prefix/share/applications/sumwise.desktop
if [[ -f $installed_desktop ]]; then
    validate_desktop "$installed_desktop"
    # KWin grants its interfaces to the program whose absolute path is the main Exec.
    [[ $(value_of "$installed_desktop" Exec) == "$prefix/bin/sumwise" ]] ||
        fail "installed desktop entry runs '$(value_of "$installed_desktop" Exec)', not $prefix/bin/sumwise"
    grep -qx "Exec=sumwise copy --selection" "$installed_desktop" ||
        fail "installed desktop entry lost its actions"
fi
# Build-only files stay out of an install.
[[ -e $prefix/share/sumwise/test-session-bus.conf ]] && fail "install holds the test bus configuration"
[[ -e $prefix/bin/sumwise_makehelp ]] && fail "install holds the build tool sumwise_makehelp"

# --- A staged install (DESTDIR), as packagers do: the file names the final path.
stage=$tmp/stage
final=/opt/sumwise-install-test-$$
if DESTDIR=$stage cmake --install "$build" --prefix "$final" >"$tmp/stage.log" 2>&1; then
    staged_service=$stage$final/share/dbus-1/services/org.sumwise.Sumwise.service
    if [[ -f $staged_service ]]; then
        [[ $(value_of "$staged_service" Exec) == "$final/bin/sumwise" ]] ||
            fail "staged service runs '$(value_of "$staged_service" Exec)', not $final/bin/sumwise"
    else
        fail "staged install lacks $staged_service"
    fi
    staged_desktop=$stage$final/share/applications/sumwise.desktop
    [[ $(value_of "$staged_desktop" Exec) == "$final/bin/sumwise" ]] ||
        fail "staged desktop entry runs '$(value_of "$staged_desktop" Exec)', not $final/bin/sumwise"
else
    fail "staged cmake --install failed: $(cat "$tmp/stage.log")"
fi
if [[ -e $final ]]; then
    fail "staged install wrote outside DESTDIR, into $final"
    rm -rf "$final"
fi

if ((failures)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all desktop-integration checks passed"

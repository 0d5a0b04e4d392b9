#!/usr/bin/env bash
# Installs Sumwise for the current user under ~/.local, building it first when needed:
#   ~/.local/bin/sumwise
#   ~/.local/lib/sumwise/              its modules, loaded when a request needs them
#   ~/.local/share/sumwise/            translations and help
#   ~/.local/share/applications/       desktop entry with the four service actions
#   ~/.local/share/dbus-1/services/    D-Bus activation file (found by the session bus)
#   ~/.local/share/icons/hicolor/      icon
#   ~/.local/share/gnome-shell/search-providers/   GNOME Shell search provider
#   ~/.local/share/krunner/dbusplugins/            KRunner runner
#   ~/.local/share/gnome-shell/extensions/sumwise@sumwise.org/   GNOME Shell extension (shortcuts)
#   ~/.config/environment.d/60-sumwise.conf        adds ~/.local/share to XDG_DATA_DIRS at
#                                                  login, where GNOME Shell looks for providers
#
#   scripts/install-user.sh               build if needed, then install
#   scripts/install-user.sh --uninstall   remove what an earlier run installed
#
# The build folder is ./build (or $BUILD_DIR). Nothing here needs root, except installing
# missing build packages on the first build (scripts/install-deps.sh says so).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [[ -z ${HOME:-} || $HOME == / ]]; then
    echo "error: HOME is not set to your home folder" >&2
    exit 1
fi
prefix=$HOME/.local
# The list of installed files, kept for --uninstall.
record=$prefix/share/sumwise/installed-files.txt
# GNOME Shell reads search providers from XDG_DATA_DIRS only, never from ~/.local/share;
# systemd's user environment (which GNOME sessions use) adds the folder at the next login.
environment=${XDG_CONFIG_HOME:-$HOME/.config}/environment.d/60-sumwise.conf

refresh_desktop() {
    if command -v update-desktop-database >/dev/null; then
        update-desktop-database -q "$prefix/share/applications" 2>/dev/null || true
    fi
    if command -v gtk-update-icon-cache >/dev/null && [[ -f $prefix/share/icons/hicolor/index.theme ]]; then
        gtk-update-icon-cache -q -t "$prefix/share/icons/hicolor" 2>/dev/null || true
    fi
    # A running session bus rereads its service folders on this request.
    if [[ -n ${DBUS_SESSION_BUS_ADDRESS:-} ]] && command -v dbus-send >/dev/null; then
        dbus-send --session --type=method_call --dest=org.freedesktop.DBus \
            /org/freedesktop/DBus org.freedesktop.DBus.ReloadConfig 2>/dev/null || true
    fi
}

if [[ ${1:-} == --uninstall ]]; then
    if [[ ! -f $record ]]; then
        echo "Nothing to uninstall: $record does not exist." >&2
        exit 1
    fi
    echo "Removing Sumwise from $prefix:"
    while IFS= read -r file; do
        # Only files under the prefix and the environment file, whatever the list says.
        [[ ( $file == "$prefix"/* || $file == "$environment" ) && ( -f $file || -L $file ) ]] ||
            continue
        rm -f -- "$file"
        echo "  removed $file"
    done <"$record"
    rm -f -- "$record"
    rmdir "$prefix/share/sumwise/help" "$prefix/share/sumwise/translations" "$prefix/lib/sumwise" \
        "$prefix/share/sumwise" 2>/dev/null || true
    extension=$prefix/share/gnome-shell/extensions/sumwise@sumwise.org
    rmdir "$extension/schemas" "$extension" 2>/dev/null || true
    refresh_desktop
    echo "Done. Your variables stay in ${XDG_CONFIG_HOME:-$HOME/.config}/Sumwise/Sumwise.conf."
    exit 0
elif [[ $# -gt 0 ]]; then
    echo "usage: $0 [--uninstall]" >&2
    exit 2
fi

# Build: a fresh tree goes through the project's build script (which installs missing
# packages); an existing one is brought up to date.
if [[ ! -f $build/CMakeCache.txt ]]; then
    echo "Configuring and building in $build ..."
    BUILD_DIR=$build "$root/scripts/build.sh"
else
    echo "Building in $build (if anything changed) ..."
    cmake --build "$build"
fi

echo "Installing into $prefix ..."
log=$(mktemp)
trap 'rm -f "$log"' EXIT
cmake --install "$build" --prefix "$prefix" >"$log"
sed -n 's/^-- \(Installing\|Up-to-date\): /  /p' "$log"
# The manifest of this install, before anything else overwrites the build tree's copy.
{
    cat "$build/install_manifest.txt"
    echo
    echo "$record"
} | grep -v '^$' >"$record.new"

mkdir -p "$(dirname "$environment")"
cat >"$environment" <<ENV
# Written by Sumwise's install-user.sh: lets GNOME Shell find its search provider in
# $prefix/share/gnome-shell/search-providers.
XDG_DATA_DIRS=\${XDG_DATA_DIRS:-/usr/local/share:/usr/share}:$prefix/share
ENV
echo "  $environment"
echo "$environment" >>"$record.new"
mv "$record.new" "$record"

refresh_desktop

exe=$prefix/bin/sumwise
echo
echo "Sumwise is installed for ${USER:-$(id -un)}."
echo "  Program:     $exe"
echo "  Menu entry:  $prefix/share/applications/sumwise.desktop"
echo "  Bus service: $prefix/share/dbus-1/services/org.sumwise.Sumwise.service"
echo "  Desktop search: type a formula such as 'sqrt(2)/2' in GNOME's search (after your next"
echo "    login) or in KRunner (restart it if Sumwise is not listed yet); Enter copies the result."
if [[ -n ${XDG_DATA_HOME:-} && $XDG_DATA_HOME != "$prefix/share" ]]; then
    echo "Note: XDG_DATA_HOME is $XDG_DATA_HOME, so the desktop and the session bus look there" \
        "rather than in $prefix/share."
fi
if [[ $(command -v sumwise || true) != "$exe" ]]; then
    echo "Note: $prefix/bin is not first on your PATH (Debian's default ~/.profile adds it at your"
    echo "next login). Until then, give shortcuts the full path: '$exe substitute --selection'."
fi
echo "GNOME Shell: 'gnome-extensions enable sumwise@sumwise.org' binds Ctrl+Alt+= (substitute),"
echo "  Ctrl+Alt+A (add), Ctrl+Alt+S (show) and Ctrl+Alt+C (copy) in every application, Wayland"
echo "  ones too (on Wayland, log out and in first so that the Shell sees the extension)."
echo "Elsewhere: bind 'sumwise substitute --selection' (and add, show, copy) to keyboard shortcuts;"
echo "see 'Desktop integration' in $root/README.md. Remove with: $0 --uninstall"

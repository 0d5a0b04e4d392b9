#!/usr/bin/env bash
# Not run by CI (slow, needs root and deb.debian.org): installs the Debian package on a clean Debian 12 and uses it as a new user would.
#
# Usage: scripts/check-package.sh [FOLDER]     (as root)
#
# FOLDER (default: $SUMWISE_PKGCHECK_DIR, else /work/pkgcheck) holds base/, a pristine
# minbase bookworm that the first run bootstraps and later runs reuse, and root/, the copy of
# base/ that each run installs the package into and then leaves for inspection.
# The package is built with scripts/package.sh (incremental) unless SUMWISE_DEB names one.
# SUMWISE_PKGCHECK_APT_OPTS adds apt-get options, e.g. --no-install-recommends.
# Prints one PASS or FAIL line per check; the exit status is the number of failures (max 100).
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
work=$(realpath -m "${1:-${SUMWISE_PKGCHECK_DIR:-/work/pkgcheck}}")
base=$work/base
root=$work/root
mirror=${SUMWISE_PKGCHECK_MIRROR:-http://deb.debian.org/debian}
user=tester

[[ $(id -u) -eq 0 ]] || { echo "error: run as root (debootstrap, chroot, mount)" >&2; exit 2; }
case $work in /|"$src"|"$src"/*) echo "error: $work: choose a folder outside the checkout" >&2; exit 2 ;; esac
mkdir -p "$work"

failures=0
pass() { echo "PASS  $1"; }
fail() { echo "FAIL  $1${2:+: $2}"; failures=$((failures + 1)); }
# expect NAME EXPECTED ACTUAL
expect() { if [[ $3 == "$2" ]]; then pass "$1"; else fail "$1" "expected '$2', got '$3'"; fi; }
# contains NAME NEEDLE HAYSTACK
contains() { if [[ $3 == *"$2"* ]]; then pass "$1"; else fail "$1" "no '$2' in '$3'"; fi; }

mounted_under() { findmnt -rn -o TARGET | awk -v r="$1" 'index($0, r "/") == 1'; }

# Processes left inside the chroot (the bus-started provider, the clipboard holder) are
# ended by their ids, then the file systems mounted for the run are unmounted.
cleanup() {
    local pid left=()
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        left=()
        for pid in /proc/[0-9]*; do
            [[ $(readlink "$pid/root" 2>/dev/null) == "$root" ]] && left+=("${pid#/proc/}")
        done
        ((${#left[@]})) || break
        sleep 1
    done
    ((${#left[@]})) && kill "${left[@]}" 2>/dev/null && sleep 1
    local m
    for m in $(mounted_under "$root" | sort -r); do
        umount "$m" || umount -l "$m"
    done
}

# --- the package -------------------------------------------------------------------------
if [[ -n ${SUMWISE_DEB:-} ]]; then
    deb=$(realpath "$SUMWISE_DEB")
else
    echo "Building the package (log: $work/package.log)"
    t=$SECONDS
    "$src/scripts/package.sh" >"$work/package.log" 2>&1 || { tail -20 "$work/package.log"; exit 1; }
    deb=$(tail -1 "$work/package.log")
    echo "      (scripts/package.sh: $((SECONDS - t)) s)"
fi
echo "Package: $deb ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb -f "$deb" Package Version Architecture Installed-Size Depends Recommends | sed 's/^/      /'

contents=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
for path in ./usr/bin/sumwise \
            ./usr/lib/sumwise/sumwise-bus.so \
            ./usr/lib/sumwise/sumwise-desktop.so \
            ./usr/lib/sumwise/sumwise-display.so \
            ./usr/share/dbus-1/services/org.sumwise.Sumwise.service \
            ./usr/share/applications/sumwise.desktop \
            ./usr/share/gnome-shell/search-providers/org.sumwise.Sumwise.search-provider.ini \
            ./usr/share/gnome-shell/extensions/sumwise@sumwise.org/metadata.json \
            ./usr/share/gnome-shell/extensions/sumwise@sumwise.org/extension.js \
            ./usr/share/gnome-shell/extensions/sumwise@sumwise.org/routine.js \
            ./usr/share/gnome-shell/extensions/sumwise@sumwise.org/schemas/gschemas.compiled \
            ./usr/share/krunner/dbusplugins/sumwise-krunner.desktop \
            ./usr/share/icons/hicolor/scalable/apps/sumwise.svg \
            ./usr/share/sumwise/translations/sumwise_de.qm \
            ./usr/share/sumwise/translations/sumwise_en.qm \
            "./usr/share/sumwise/help/Read Me.pdf" \
            ./usr/share/man/man1/sumwise.1.gz \
            ./usr/share/doc/sumwise/copyright \
            ./usr/share/doc/sumwise/changelog.Debian.gz; do
    if grep -qxF -- "$path" <<<"$contents"; then pass "package holds $path"; else fail "package holds $path"; fi
done
stray=$(grep -vE '^\./(usr/bin/sumwise|usr/lib/sumwise/.*|usr/share/.*|usr/|usr/bin/|usr/lib/|)$' <<<"$contents" || true)
expect "package holds nothing outside /usr/bin/sumwise, /usr/lib/sumwise and /usr/share" "" "$stray"
expect "D-Bus activation runs the installed program" "Exec=/usr/bin/sumwise" \
    "$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/dbus-1/services/org.sumwise.Sumwise.service | grep '^Exec=')"
depends=$(dpkg-deb -f "$deb" Depends)
contains "Depends lists the Qt libraries (dpkg-shlibdeps ran)" "libqt6core6" "$depends"
contains "Depends lists the C++ runtime (dpkg-shlibdeps ran)" "libstdc++6" "$depends"

# --- a clean Debian 12 ---------------------------------------------------------------------
[[ -z $(mounted_under "$root") ]] || { echo "error: file systems are still mounted under $root" >&2; exit 2; }
if [[ ! -f $base/etc/debian_version ]]; then
    command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap
    echo "Bootstrapping Debian 12 into $base (log: $work/debootstrap.log)"
    rm -rf "$base.partial"
    t=$SECONDS
    debootstrap --variant=minbase bookworm "$base.partial" "$mirror" >"$work/debootstrap.log" 2>&1 \
        || { tail -20 "$work/debootstrap.log"; exit 1; }
    mv "$base.partial" "$base"
    echo "      (debootstrap: $((SECONDS - t)) s)"
else
    echo "Reusing $base (Debian $(cat "$base/etc/debian_version"))"
fi
rm -rf "$root"
cp -a "$base" "$root"

trap cleanup EXIT
mount -t proc proc "$root/proc"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Package scripts must not start daemons inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 "$@"; }

echo "Installing the package with apt (log: $work/install.log)"
t=$SECONDS
if in_root sh -c "apt-get update && apt-get install -y ${SUMWISE_PKGCHECK_APT_OPTS:-} /tmp/$(basename "$deb")" >"$work/install.log" 2>&1; then
    pass "apt-get install ./$(basename "$deb") on Debian 12 ($((SECONDS - t)) s)"
else
    fail "apt-get install ./$(basename "$deb") on Debian 12" "see $work/install.log"
    tail -20 "$work/install.log"
    exit 1
fi
# What the checks use, not what the package needs: an X server, a clipboard reader and the
# German locale.
t=$SECONDS
in_root sh -c "apt-get install -y --no-install-recommends xvfb xauth xclip locales &&
    sed -i 's/^# *de_DE.UTF-8/de_DE.UTF-8/' /etc/locale.gen && locale-gen" >>"$work/install.log" 2>&1 \
    || { echo "error: cannot install the test tools, see $work/install.log" >&2; exit 1; }
echo "      (test tools xvfb xauth xclip locales: $((SECONDS - t)) s)"

in_root useradd --create-home --shell /bin/bash "$user"
uid=$(in_root id -u "$user")
install -d -m 700 -o "$uid" -g "$uid" "$root/run/user/$uid"
# as_user SCRIPT: runs SCRIPT with bash as the new user, in a login-like environment without
# a session bus or display.
as_user() {
    chroot --userspec="$user:$user" "$root" env -i HOME="/home/$user" USER="$user" LOGNAME="$user" \
        SHELL=/bin/bash PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 \
        XDG_RUNTIME_DIR="/run/user/$uid" bash -c "cd; $1"
}

# user_script NAME: saves standard input as /tmp/NAME.sh in the chroot for as_user to run.
user_script() { cat >"$root/tmp/$1.sh"; chmod 755 "$root/tmp/$1.sh"; }

t=$SECONDS
# --- the program, without a session bus ----------------------------------------------------
# The package's version adds a Debian revision to the program's.
version=$(dpkg-deb -f "$deb" Version)
expect "sumwise --version" "sumwise ${version%-*}" "$(as_user 'sumwise --version')"
expect "substitute (no session bus)" "98" "$(as_user "echo '2*(3+4)^2' | sumwise substitute")"
expect "add (no session bus)" "2+3 = 5" "$(as_user "echo '2+3' | sumwise add")"
expect "a formula as arguments" "0.707106781187" "$(as_user "sumwise substitute 'sqrt(2)/2'")"
expect "variable assigned" "2" "$(as_user "echo 'x=2' | sumwise substitute")"
expect "variable remembered by the next run" "6" "$(as_user "echo 'x*3' | sumwise substitute")"
contains "variables stored in ~/.config/Sumwise/Sumwise.conf" "2" \
    "$(as_user 'grep -i "^x=" .config/Sumwise/Sumwise.conf')"
user_script failure <<'EOF'
echo '1/0' | sumwise substitute 2>err
status=$?
echo "stderr: $(cat err)"
echo "status: $status"
EOF
expect "a failure gives the selection back, the message on stderr, status 1" \
    $'1/0\nstderr: Error: Division by zero\nstatus: 1' "$(as_user /tmp/failure.sh)"
contains "German messages (installed translation)" "Division durch null" \
    "$(as_user "echo '1/0' | LANG=de_DE.UTF-8 sumwise substitute 2>&1 >/dev/null")"
expect "German decimal separator" "0,25" "$(as_user "echo '1/4' | LANG=de_DE.UTF-8 sumwise substitute")"
contains "show without a display prints the panel" $'Result:\n\t3' \
    "$(as_user "echo 'x=3' | sumwise show 2>&1")"

# --- through the provider that the session bus starts from the installed .service file ----
# No command waits for a provider's start: the first serves itself, and the bus starts one
# (as for desktop search) before the others. They run with a settings folder of their own: a
# result that needs the variable from ~/.config can only come from the bus-started provider,
# which does not inherit that folder.
user_script bus <<'EOF'
echo 'y=7' | sumwise substitute
dbus-send --session --print-reply --dest=org.sumwise.Sumwise / org.freedesktop.DBus.Peer.Ping >/dev/null
echo 'y*2' | XDG_CONFIG_HOME=$HOME/elsewhere sumwise substitute
echo '2+3' | XDG_CONFIG_HOME=$HOME/elsewhere sumwise add
test -e "$HOME/elsewhere/Sumwise/Sumwise.conf" && echo "settings in elsewhere" || echo "nothing in elsewhere"
EOF
bus_out=$(as_user "dbus-run-session -- /tmp/bus.sh 2>bus.log") || true
expect "substitute, add through the bus-started provider" \
    $'7\n14\n2+3 = 5\nnothing in elsewhere' "$bus_out"
contains "the session bus activated org.sumwise.Sumwise from its .service file" \
    "Successfully activated service 'org.sumwise.Sumwise'" "$(as_user 'cat bus.log')"
contains "y is stored in the user's settings" "7" \
    "$(as_user 'grep -i "^y=" .config/Sumwise/Sumwise.conf')"

# --- show and copy on an X display (Xvfb) --------------------------------------------------
# No provider runs: the command draws the panel itself; SUMWISE_ALERT_ANSWER clicks its Copy
# button and SUMWISE_ALERT_LOG records it.
user_script x11 <<'EOF'
echo '2^10' | sumwise copy; echo "copy: $?"
echo "clipboard: $(xclip -o -selection clipboard)"
echo '6*7' | sumwise show; echo "show: $?"
echo "clipboard: $(xclip -o -selection clipboard)"
EOF
x_out=$(as_user "export SUMWISE_ALERT_ANSWER=alternate SUMWISE_ALERT_LOG=\$HOME/panel.log
    timeout 300 xvfb-run -a -s '-screen 0 1280x1024x24 -noreset' dbus-run-session -- /tmp/x11.sh 2>x11.log") || true
# copy and show write the selection back unchanged, then the result is on the clipboard.
expect "copy and show under Xvfb: results on the clipboard" \
    $'2^10\ncopy: 0\nclipboard: 1024\n6*7\nshow: 0\nclipboard: 42' "$x_out"
contains "show under Xvfb: the panel showed formula and result" 'Formula:\n\t6*7\n\nResult:\n\t42' \
    "$(as_user 'cat panel.log 2>&1')"
contains "show under Xvfb, in German" 'Formel:' \
    "$(as_user "echo '6*7' | LANG=de_DE.UTF-8 SUMWISE_ALERT_ANSWER=default SUMWISE_ALERT_LOG=\$HOME/panel-de.log \
        timeout 300 xvfb-run -a -s '-screen 0 1280x1024x24 -noreset' sumwise show >/dev/null 2>&1; cat panel-de.log 2>&1")"

# --- installed data ------------------------------------------------------------------------
expect "help document installed" "%PDF-" "$(head -c5 "$root/usr/share/sumwise/help/Read Me.pdf" 2>&1)"
expect "D-Bus service file installed" "Exec=/usr/bin/sumwise" \
    "$(grep '^Exec=' "$root/usr/share/dbus-1/services/org.sumwise.Sumwise.service" 2>&1)"
if command -v desktop-file-validate >/dev/null; then
    expect "desktop file valid" "" "$(desktop-file-validate "$root/usr/share/applications/sumwise.desktop" 2>&1)"
fi
echo "      (checks: $((SECONDS - t)) s)"

# --- removal -------------------------------------------------------------------------------
in_root apt-get purge -y sumwise >>"$work/install.log" 2>&1
expect "purge leaves no files behind" "" \
    "$(ls -d "$root/usr/bin/sumwise" "$root/usr/share/sumwise" \
          "$root/usr/share/dbus-1/services/org.sumwise.Sumwise.service" 2>/dev/null)"

echo
if ((failures)); then echo "FAILED: $failures check(s)"; else echo "ALL PASSED"; fi
exit $((failures > 100 ? 100 : failures))

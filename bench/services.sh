#!/usr/bin/env bash
# Time from a service command's start to its result, for each service: in the same process
# (no bus), through a provider already running on the bus, and with a bus but no provider
# running (no command waits for one to start: it serves the request itself).
# Uses a private session bus and, when available, a private Xvfb display; panels are
# answered at once. Prints the median of ROUNDS (default 15) runs in milliseconds.
# Usage: bench/services.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail

build=$(realpath -m "${1:-./build}")
rounds=${2:-10}
sumwise=$build/bin/sumwise
config=$build/share/sumwise/test-session-bus.conf
[[ -x $sumwise && -f $config ]] || { echo "error: build $build first" >&2; exit 1; }

tmp=$(mktemp -d)
cleanup() {
  [[ -n ${bus_pid:-} ]] && kill "$bus_pid" 2>/dev/null
  [[ -n ${x_pid:-} ]] && kill "$x_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp LC_ALL=C.UTF-8
export SUMWISE_ALERT_ANSWER=default
unset WAYLAND_DISPLAY
if command -v Xvfb >/dev/null; then
  Xvfb :97 -nolisten tcp -noreset >/dev/null 2>&1 &
  x_pid=$!
  export DISPLAY=:97
  sleep 1
else
  unset DISPLAY
  export QT_QPA_PLATFORM=offscreen
fi
# shellcheck source=privatebus.sh
. "$(dirname "$0")/privatebus.sh"

printf '2*(3+4)^2' >"$tmp/formula"
export BUS=$bus SUMWISE=$sumwise
# Helpers hyperfine runs before each timed run; they are not timed.
cat >"$tmp/gone" <<'SH'
#!/bin/sh
# Wait until no provider owns the name.
while DBUS_SESSION_BUS_ADDRESS=$BUS dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner string:org.sumwise.Sumwise 2>/dev/null | grep -q true; do
  sleep 0.2
done
SH
cat >"$tmp/warm" <<'SH'
#!/bin/sh
# A running provider that will still be there for the next call: a fresh one lives 5 s.
"$(dirname "$0")/gone"
DBUS_SESSION_BUS_ADDRESS=$BUS dbus-send --session --print-reply --dest=org.sumwise.Sumwise / \
    org.freedesktop.DBus.Peer.Ping >/dev/null
SH
chmod +x "$tmp/gone" "$tmp/warm"

median() { # hyperfine JSON -> median in ms
  python3 -c 'import json,sys; print("%.1f" % (1000*json.load(open(sys.argv[1]))["results"][0]["median"]))' "$1"
}
run() { # name prepare command
  hyperfine --runs "$rounds" --warmup 1 --style none ${2:+--prepare "$2"} \
    --export-json "$tmp/$1.json" "$3" >/dev/null 2>&1
  median "$tmp/$1.json"
}

printf '%-11s %12s %12s %12s\n' service "no bus" running "none running"
for service in substitute add show copy; do
  cmd="$sumwise $service < $tmp/formula"
  inproc=$(run inproc "" "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent $cmd")
  running=$(run running "$tmp/warm" "DBUS_SESSION_BUS_ADDRESS=$bus $cmd")
  none=$(run none "$tmp/gone" "DBUS_SESSION_BUS_ADDRESS=$bus $cmd")
  printf '%-11s %12s %12s %12s\n' "$service" "$inproc" "$running" "$none"
done
echo "(milliseconds, median of $rounds hyperfine runs each, shell start-up subtracted;"
echo " panels answered at once)"

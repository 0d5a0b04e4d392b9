#!/usr/bin/env bash
# Time from a service command's start to its result, for each service: in the same process
# (no bus), through a provider already running on the bus, and through D-Bus activation.
# Uses a private session bus and, when available, a private Xvfb display; panels are
# answered at once. Prints the median of ROUNDS (default 15) runs in milliseconds.
# Usage: bench/services.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail

build=$(realpath -m "${1:-./build}")
rounds=${2:-7}
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
  Xvfb :97 -nolisten tcp >/dev/null 2>&1 &
  x_pid=$!
  export DISPLAY=:97
  sleep 1
else
  unset DISPLAY
  export QT_QPA_PLATFORM=offscreen
fi
dbus-daemon --config-file="$config" --nofork --print-address=1 >"$tmp/address" 2>/dev/null &
bus_pid=$!
for _ in $(seq 50); do [[ -s $tmp/address ]] && break; sleep 0.1; done
bus=$(head -n1 "$tmp/address")

now() { date +%s%N; }
# Milliseconds one command takes, its output discarded.
timed() {
  local start end
  start=$(now)
  printf '2*(3+4)^2' | "$@" >/dev/null 2>&1 || true
  end=$(now)
  echo $(((end - start) / 1000))
}
median() { sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]/1000}'; }
provider_running() {
  DBUS_SESSION_BUS_ADDRESS=$bus dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner string:org.sumwise.Sumwise 2>/dev/null | grep -q true
}

printf '%-11s %12s %12s %12s\n' service in-process running activation
for service in substitute add show copy; do
  : >"$tmp/inproc"; : >"$tmp/running"; : >"$tmp/activation"
  for _ in $(seq "$rounds"); do
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent timed "$sumwise" "$service" >>"$tmp/inproc"
    # The provider lives about five seconds; wait until it is gone so the call activates anew.
    while provider_running; do sleep 0.2; done
    DBUS_SESSION_BUS_ADDRESS=$bus timed "$sumwise" "$service" >>"$tmp/activation"
    # Show ends its provider, so another request starts one first.
    while provider_running && [[ $service == show ]]; do sleep 0.2; done
    provider_running || DBUS_SESSION_BUS_ADDRESS=$bus timed "$sumwise" substitute >/dev/null
    DBUS_SESSION_BUS_ADDRESS=$bus timed "$sumwise" "$service" >>"$tmp/running"
  done
  printf '%-11s %12s %12s %12s\n' "$service" "$(median <"$tmp/inproc")" \
    "$(median <"$tmp/running")" "$(median <"$tmp/activation")"
done
echo "(milliseconds, median of $rounds runs each; panels answered at once)"

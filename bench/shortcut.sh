#!/usr/bin/env bash
# Time from the shortcut's command to its result in the document: `sumwise substitute
# --selection` on `2*(3+4)^2` selected with Shift+Home in Mousepad and in LibreOffice Writer,
# on a private Xvfb display with openbox and a private session bus, with a provider running
# (it runs the routine) and without one (the command does). RUNS (default 20) runs of each;
# prints median and 95th percentile in milliseconds.
#
# What is measured (bench/shortcutwatch.py): from just before the command is started to the
# first poll that sees the document changed, as the user would:
#   title    Mousepad's window title gaining its modified mark "*" (the document is saved
#            before each run); the editor sets it while it handles the paste, before drawing.
#            Polled with one X round trip (well under 1 ms).
#   picture  the pixels where the selection shows: more than a caret's worth of them differ
#            from before the command. The resolution is one X GetImage of that rectangle
#            and a comparison, printed as "poll" (about a millisecond); Writer shows no
#            other sign.
#   end      the command's end; it may come before the paste, which the editor fetches later.
#   owned    the result owned on the clipboard (its next owner, polled with one round trip).
# Usage: bench/shortcut.sh [BUILD_DIR] [RUNS]
set -euo pipefail

build=$(realpath -m "${1:-./build}")
runs=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
sumwise=$build/bin/sumwise
config=$build/share/sumwise/test-session-bus.conf
[[ -x $sumwise && -f $config ]] || { echo "error: build $build first" >&2; exit 1; }
for tool in Xvfb openbox xdotool xclip mousepad soffice python3 dbus-send; do
  command -v "$tool" >/dev/null || {
    echo "error: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

tmp=$(mktemp -d)
editor_pid=
cleanup() {
  [[ -n $editor_pid ]] && kill -- -"$editor_pid" 2>/dev/null
  [[ -n ${bus_pid:-} ]] && kill "$bus_pid" 2>/dev/null
  [[ -n ${wm_pid:-} ]] && kill "$wm_pid" 2>/dev/null
  [[ -n ${x_pid:-} ]] && kill "$x_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# A display number of the server's own choosing: others may run servers on this machine.
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1024x768x24 3>"$tmp/display" \
  >/dev/null 2>&1 &
x_pid=$!
for _ in $(seq 100); do [[ -s $tmp/display ]] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$tmp/display")
mkdir -p "$tmp/home" "$tmp/config"
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp LC_ALL=C.UTF-8
export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory SAL_USE_VCLPLUGIN=gen
unset WAYLAND_DISPLAY SESSION_MANAGER QT_QPA_PLATFORM
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent openbox >/dev/null 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
# shellcheck source=privatebus.sh
. "$here/privatebus.sh"
export DBUS_SESSION_BUS_ADDRESS=$bus

formula='2*(3+4)^2'

provider_gone() {
  while dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.NameHasOwner string:org.sumwise.Sumwise 2>/dev/null | grep -q true; do
    sleep 0.2
  done
}

active_class() {
  local w
  w=$(xdotool getactivewindow 2>/dev/null) || return 1
  xprop -id "$w" WM_CLASS 2>/dev/null | sed -n 's/.*", "\(.*\)"$/\1/p'
}

wait_for() { # tries command...: polls every 0.1 s
  local tries=$1
  shift
  for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
  return 1
}

primary_is_formula() { [[ $(xclip -o -selection primary 2>/dev/null) == "$formula" ]]; }
title_unmodified() { [[ $(xdotool getwindowname "$window") != \** ]]; }
focused() { [[ $(active_class) == "$class" ]]; }

start_editor() { # class command...
  class=$1
  shift
  setsid "$@" >/dev/null 2>&1 &
  editor_pid=$!
  wait_for 900 focused || { echo "error: $class did not start" >&2; exit 1; }
  window=$(xdotool getactivewindow)
  region=
}

stop_editor() {
  kill -- -"$editor_pid" 2>/dev/null || true
  wait "$editor_pid" 2>/dev/null || true
  editor_pid=
}

# The formula alone, selected; Mousepad's document saved so a change marks its title. The
# first time, where the selection shows is the part of the window to watch.
prepare() { # app
  xdotool key ctrl+a
  xdotool type --delay 20 "$formula"
  [[ $1 == mousepad ]] && xdotool key ctrl+s
  if [[ -z $region ]]; then
    sleep 0.5
    region=$(python3 "$here/shortcutwatch.py" locate "$window" -- xdotool key shift+Home)
  else
    xdotool key shift+Home
  fi
  wait_for 100 primary_is_formula || { echo "error: the formula was not selected" >&2; exit 1; }
  if [[ $1 == mousepad ]]; then wait_for 100 title_unmodified; fi
  # Let the editor finish drawing the selection before its picture is taken.
  sleep 0.3
}

percentiles() { # values on stdin -> "median M  p95 P (N)"
  sort -n | awk '{v[NR]=$1} END {
    if (NR == 0) { print "median -  p95 - (0)"; exit }
    m = (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2
    i = int(0.95 * NR + 0.999); if (i > NR) i = NR
    printf "median %7.1f  p95 %7.1f (%d)", m, v[i], NR }'
}
measure() { # app mode
  local app=$1 mode=$2 out="$tmp/$1-$2"
  : >"$out"
  for _ in $(seq "$runs"); do
    provider_gone
    prepare "$app"
    if [[ $mode == running ]]; then
      # Started by the bus for the next call, which it serves for its 5 s.
      dbus-send --session --print-reply --dest=org.sumwise.Sumwise / \
        org.freedesktop.DBus.Peer.Ping >/dev/null
    fi
    # shellcheck disable=SC2086 # the region is four numbers
    python3 "$here/shortcutwatch.py" watch "$window" $region -- \
      "$sumwise" substitute --selection >>"$out"
    # The next run's typing must not race this run's clipboard being given back.
    sleep 2.5
  done
  local title picture ended owned poll
  title=$(awk '$1 != "-" {print $1}' "$out" | percentiles)
  picture=$(awk '$2 != "-" {print $2}' "$out" | percentiles)
  ended=$(awk '$3 != "-" {print $3}' "$out" | percentiles)
  owned=$(awk '$4 != "-" {print $4}' "$out" | percentiles)
  poll=$(awk '{s += $5} END {if (NR) printf "%.1f", s / NR}' "$out")
  failed=$(awk '$6 != 0' "$out" | wc -l)
  if [[ $app == mousepad ]]; then
    printf '%-9s %-11s %-8s %s\n' "$app" "$mode" title "$title"
  fi
  printf '%-9s %-11s %-8s %s   poll %s\n' "$app" "$mode" picture "$picture" "$poll"
  printf '%-9s %-11s %-8s %s   failed %s\n' "$app" "$mode" end "$ended" "$failed"
  printf '%-9s %-11s %-8s %s\n' "$app" "$mode" owned "$owned"
}

: >"$tmp/doc.txt"
start_editor Mousepad mousepad --disable-server "$tmp/doc.txt"
measure mousepad running
measure mousepad none
stop_editor

start_editor libreoffice-writer soffice --writer --norestore --nologo \
  "-env:UserInstallation=file://$tmp/writer-profile"
measure writer running
measure writer none
stop_editor
echo "(milliseconds from the command's start; in brackets the runs that saw the change)"

#!/usr/bin/env bash
# The program under load and with huge selections, on a private session bus:
# - substitute requests straight on the bus, one after another and all at once (a Qt D-Bus
#   client), with the share answered correctly;
# - client processes at once, and writers assigning variables at once (how many were lost);
# - 10 MB selections (a sum, an RTF of one run, an RTF of 2.8 million runs): time and peak
#   memory, serving itself and in the provider.
# Usage: bench/load.sh [BUILD_DIR] [N]
set -euo pipefail

build=$(realpath -m "${1:-./build}")
n=${2:-2000}
sumwise=$build/bin/sumwise
config=$build/share/sumwise/test-session-bus.conf
[[ -x $sumwise && -f $config ]] || { echo "error: build $build first" >&2; exit 1; }
command -v c++ >/dev/null && pkg-config --exists Qt6DBus ||
  { echo "error: c++ and Qt 6 D-Bus development files are needed" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "error: GNU time (package time) is needed" >&2; exit 1; }

tmp=$(mktemp -d)
cleanup() {
  [[ -n ${bus_pid:-} ]] && kill "$bus_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp LC_ALL=C.UTF-8
export QT_QPA_PLATFORM=offscreen SUMWISE_ALERT_ANSWER=default
unset DISPLAY WAYLAND_DISPLAY
# shellcheck source=privatebus.sh
. "$(dirname "$0")/privatebus.sh"
export DBUS_SESSION_BUS_ADDRESS=$bus

cat >"$tmp/client.cpp" <<'CPP'
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

static QDBusMessage request(int i) {
    QDBusMessage m = QDBusMessage::createMethodCall(
        QStringLiteral("org.sumwise.Sumwise"), QStringLiteral("/org/sumwise/Sumwise"),
        QStringLiteral("org.sumwise.Sumwise"), QStringLiteral("doCalcSubstituteService"));
    m << QVariantMap{{QStringLiteral("text/plain;charset=utf-8"), QByteArray::number(i) + "*3"}}
      << QString();
    return m;
}

static bool right(const QDBusMessage &r, int i) {
    return r.type() == QDBusMessage::ReplyMessage
           && qdbus_cast<QVariantMap>(r.arguments().value(0))
                      .value(QStringLiteral("text/plain;charset=utf-8"))
                      .toByteArray()
                  == QByteArray::number(i * 3);
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int n = std::atoi(argv[1]);
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.call(request(0)); // starts the provider
    std::vector<double> each;
    int ok = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < n; ++i) {
        QElapsedTimer one;
        one.start();
        ok += right(bus.call(request(i), QDBus::Block, 30000), i);
        each.push_back(double(one.nsecsElapsed()) / 1e6);
    }
    const double row = double(clock.nsecsElapsed()) / 1e9;
    std::sort(each.begin(), each.end());
    std::printf("in a row:  %d requests in %.2f s, %.0f/s, median %.3f ms, 99th %.3f ms, "
                "%d answered right\n",
                n, row, n / row, each[each.size() / 2], each[each.size() * 99 / 100], ok);
    std::vector<QDBusPendingCall> calls;
    clock.restart();
    for (int i = 0; i < n; ++i)
        calls.push_back(bus.asyncCall(request(i), 60000));
    ok = 0;
    for (int i = 0; i < n; ++i) {
        calls[i].waitForFinished();
        ok += right(calls[i].reply(), i);
    }
    const double once = double(clock.nsecsElapsed()) / 1e9;
    std::printf("at once:   %d requests in %.2f s, %.0f/s, %d answered right\n", n, once,
                n / once, ok);
    return 0;
}
CPP
# shellcheck disable=SC2046
c++ -std=c++20 -O2 -fPIC -o "$tmp/client" "$tmp/client.cpp" $(pkg-config --cflags --libs Qt6DBus)
echo "Requests straight on the bus (provider running):"
"$tmp/client" "$n"

# A named type takes the desktop module's route, which goes to the provider (starting one);
# without it a plain filter serves itself unless a provider is running already.
clients() {
  local label=$1 start end i wrong=0 pids=()
  shift
  start=$(date +%s%N)
  for i in $(seq 0 15); do
    (out=$(echo "2^$i" | "$sumwise" substitute "$@"); [[ $out == $((1 << i)) ]] || echo x >>"$tmp/wrong") &
    pids+=($!)
  done
  wait "${pids[@]}" # not the bus
  end=$(date +%s%N)
  [[ -f $tmp/wrong ]] && wrong=$(wc -l <"$tmp/wrong") && rm "$tmp/wrong"
  echo "16 client processes at once ($label): $(((end - start) / 1000000)) ms, $wrong wrong"
}
clients "through the provider" --type=text/plain
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent clients "each serving itself"

writers() {
  local label=$1 w i formula start end pids=()
  shift
  rm -rf "$XDG_CONFIG_HOME"
  start=$(date +%s%N)
  for w in $(seq 0 7); do
    formula=""
    for i in $(seq 0 39); do formula+="W${w}X${i}=$i;"; done
    echo "${formula}1" | "$sumwise" substitute "$@" >/dev/null &
    pids+=($!)
  done
  wait "${pids[@]}"
  end=$(date +%s%N)
  local kept
  kept=$(grep -c '^W[0-9]X[0-9]*=' "$XDG_CONFIG_HOME/Sumwise/Sumwise.conf")
  echo "8 writers x 40 assignments at once ($label): $(((end - start) / 1000000)) ms, $((320 - kept)) lost"
}
writers "through the provider" --type=text/plain
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent writers "each serving itself"

echo
echo "10 MB selections: seconds and peak memory (serving itself / in the provider)"
{ printf 1; for _ in $(seq 5000); do printf '+1%.0s' $(seq 1000); done; } >"$tmp/sum"
{ printf '{\\rtf1\\ansi\\b '; cat "$tmp/sum"; printf '}'; } >"$tmp/one.rtf"
{ printf '{\\rtf1\\ansi '; for _ in $(seq 1400); do printf '{\\b 1}+%.0s' $(seq 1000); done; printf '1}'; } >"$tmp/runs.rtf"
provider_peak() {
  local pid
  pid=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:org.sumwise.Sumwise 2>/dev/null |
    awk '/uint32/ {print $2}')
  [[ -n $pid ]] && awk '/VmHWM/ {printf "%d MB", $2 / 1024}' "/proc/$pid/status"
}
for input in sum one.rtf runs.rtf; do
  for service in substitute add; do
    self=$(DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent /usr/bin/time -f '%e s, %M' \
      "$sumwise" "$service" <"$tmp/$input" 2>&1 >/dev/null | tail -n1)
    while [[ -n $(provider_peak) ]]; do sleep 0.5; done # a fresh provider for each
    start=$(date +%s%N)
    # shellcheck disable=SC2046
    "$sumwise" "$service" $([[ $input == sum ]] && echo --type=text/plain) <"$tmp/$input" >/dev/null
    end=$(date +%s%N)
    printf '%-9s %-10s itself %s KB; provider %d.%02d s, %s\n' "$input" "$service" "$self" \
      $(((end - start) / 1000000000)) $(((end - start) / 10000000 % 100)) "$(provider_peak)"
  done
done

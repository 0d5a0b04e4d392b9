#!/usr/bin/env bash
# Time from a desktop-search query to its answer over the session bus, as GNOME Shell and
# KRunner ask: a private bus, the provider started by D-Bus activation, then N queries while
# it runs (GetInitialResultSet + GetResultMetas for GNOME, Match for KRunner), each a fresh
# formula as a user types it. The cold case is the first query, which starts the provider.
# Prints mean and median per query in milliseconds.
# Usage: bench/search.sh [BUILD_DIR] [N]
set -euo pipefail

build=$(realpath -m "${1:-./build}")
n=${2:-200}
sumwise=$build/bin/sumwise
config=$build/share/sumwise/test-session-bus.conf
[[ -x $sumwise && -f $config ]] || { echo "error: build $build first" >&2; exit 1; }
command -v c++ >/dev/null && pkg-config --exists Qt6DBus ||
  { echo "error: c++ and Qt 6 D-Bus development files are needed" >&2; exit 1; }

tmp=$(mktemp -d)
cleanup() {
  [[ -n ${bus_pid:-} ]] && kill "$bus_pid" 2>/dev/null
  rm -rf "$tmp" ${runtime:+"$runtime"}
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp LC_ALL=C.UTF-8
# A desktop's runtime folder (/run/user/UID) is in memory; so is /dev/shm.
if [[ -d /dev/shm && -w /dev/shm ]]; then
  XDG_RUNTIME_DIR=$(mktemp -d /dev/shm/sumwise-bench.XXXXXX)
  runtime=$XDG_RUNTIME_DIR
fi
export QT_QPA_PLATFORM=offscreen SUMWISE_ALERT_ANSWER=default
unset DISPLAY WAYLAND_DISPLAY
# shellcheck source=privatebus.sh
. "$(dirname "$0")/privatebus.sh"
export DBUS_SESSION_BUS_ADDRESS=$bus

# The client: a Qt D-Bus program, as the shells are D-Bus clients in process of their own.
cat >"$tmp/client.cpp" <<'CPP'
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <numeric>
#include <vector>

static const QString Name = QStringLiteral("org.sumwise.Sumwise");

static QDBusMessage call(const char *path, const char *iface, const char *method,
                         const QVariantList &args) {
    QDBusMessage m = QDBusMessage::createMethodCall(Name, QString::fromLatin1(path),
                                                    QString::fromLatin1(iface),
                                                    QString::fromLatin1(method));
    m.setArguments(args);
    const QDBusMessage r = QDBusConnection::sessionBus().call(m, QDBus::Block, 30000);
    if (r.type() != QDBusMessage::ReplyMessage) {
        std::fprintf(stderr, "error: %s\n", qPrintable(r.errorMessage()));
        std::exit(1);
    }
    return r;
}

static void gnome(const QString &query) {
    const auto ids = call("/org/sumwise/Sumwise/SearchProvider",
                          "org.gnome.Shell.SearchProvider2", "GetInitialResultSet",
                          {QStringList{query}}).arguments().value(0).toStringList();
    if (ids.size() != 1) {
        std::fprintf(stderr, "error: nothing offered for %s\n", qPrintable(query));
        std::exit(1);
    }
    call("/org/sumwise/Sumwise/SearchProvider", "org.gnome.Shell.SearchProvider2",
         "GetResultMetas", {ids});
}

static void kde(const QString &query) {
    call("/org/sumwise/Sumwise/KRunner", "org.kde.krunner1", "Match", {query});
}

static uint provider() {
    const auto pid = QDBusConnection::sessionBus().interface()->servicePid(Name);
    return pid.isValid() ? pid.value() : 0;
}

static void waitGone() {
    while (provider() != 0)
        QThread::msleep(100);
}

static double ms(QElapsedTimer &clock) {
    return double(clock.nsecsElapsed()) / 1e6;
}

static void report(const char *label, std::vector<double> t) {
    std::sort(t.begin(), t.end());
    const double mean = std::accumulate(t.begin(), t.end(), 0.0) / double(t.size());
    const double median = t.size() % 2 ? t[t.size() / 2]
                                       : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
    std::printf("%-48s mean %8.3f ms  median %8.3f ms  (%zu queries)\n", label, mean, median,
                t.size());
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 200;
    using Ask = std::function<void(const QString &)>;
    const std::pair<const char *, Ask> shells[] = {{"GNOME", gnome}, {"KRunner", kde}};
    for (const auto &[shell, ask] : shells) {
        std::vector<double> cold;
        for (int i = 0; i < 5; ++i) {
            waitGone();
            QElapsedTimer clock;
            clock.start();
            ask(QStringLiteral("%1*3+1").arg(i));
            cold.push_back(ms(clock));
        }
        report(qPrintable(QStringLiteral("%1, first query (starts the provider)").arg(shell)),
               cold);
    }
    for (const auto &[shell, ask] : shells) {
        // A provider lives five seconds: time queries within one life.
        const std::pair<const char *, std::function<QString(int)>> kinds[] = {
            {"running", [](int i) { return QStringLiteral("sqrt(%1)/2+%1").arg(i); }},
            {"running, assignment", [](int i) { return QStringLiteral("x=%1;x*3").arg(i); }},
        };
        for (const auto &[kind, query] : kinds) {
            waitGone();
            ask(QStringLiteral("1+1"));
            const uint pid = provider();
            std::vector<double> warm;
            for (int i = 1; i <= n; ++i) {
                QElapsedTimer clock;
                clock.start();
                ask(query(i));
                warm.push_back(ms(clock));
            }
            if (provider() != pid)
                std::fprintf(stderr, "warning: the provider restarted during the run\n");
            report(qPrintable(QStringLiteral("%1, provider %2").arg(shell, kind)), warm);
        }
    }
    return 0;
}
CPP
# shellcheck disable=SC2046
c++ -std=c++20 -O2 -fPIC -o "$tmp/client" "$tmp/client.cpp" $(pkg-config --cflags --libs Qt6DBus)
"$tmp/client" "$n"
echo "(GNOME: GetInitialResultSet + GetResultMetas; KRunner: Match; first query: 5 rounds, each"
echo " after the previous provider has ended)"

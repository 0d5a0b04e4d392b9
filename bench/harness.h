// A small timed harness: each measured operation runs repeatedly for at least a minimum time,
// best of three rounds, with the rounds going round all operations so drift hits them alike.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

// Keeps results alive so the optimiser cannot drop the work.
inline volatile double sink;

struct Timed {
    const char *label;
    std::function<void()> once;
    double perCall; // operations (or bytes) that one call counts for
    double best = 0.0;
};

// Operations per second of once(), called repeatedly for at least minSeconds.
inline double timeRound(const std::function<void()> &once, double perCall, double minSeconds) {
    once(); // warm caches and lazy initialisation
    std::size_t calls = 0;
    const Clock::time_point start = Clock::now();
    double elapsed = 0.0;
    do {
        once();
        ++calls;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < minSeconds);
    return double(calls) * perCall / elapsed;
}

inline void timeAll(std::vector<Timed> &timed, double minSeconds) {
    for (int round = 0; round < 3; ++round) {
        for (Timed &t : timed)
            t.best = std::max(t.best, timeRound(t.once, t.perCall, minSeconds));
    }
}

inline void printRate(const Timed &t, const char *unit) {
    std::printf("  %-44s %12.0f %s/s  (%.3f us each)\n", t.label, t.best, unit, 1e6 / t.best);
}

} // namespace bench

#pragma once
// The bench programs' clock, for the Windows programs and the native lookup figure alike.
#include <chrono>

inline double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The fastest of `runs` calls of f, in milliseconds.
template <typename F>
double BestOfMs(int runs, F f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double start = NowMs();
        f();
        const double took = NowMs() - start;
        if (took < best) best = took;
    }
    return best;
}

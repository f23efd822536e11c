// Timing for the benchmarks that race two pieces of work in one run.
#pragma once

#include <algorithm>
#include <ctime>

// This thread's processor time in seconds, so that other work on a shared
// machine weighs less on the figures.
inline double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Wall-clock seconds, for work that runs on several threads.
inline double WallSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The fastest of three runs of work, in this thread's processor time or by
// another clock.
template <typename Work>
double FastestSeconds(Work work, double (*clock)() = ThreadSeconds)
{
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const double start = clock();
        work();
        best = std::min(best, clock() - start);
    }
    return best;
}

#pragma once

// Small timing helpers for the benchmarks: medians of repeated runs, printed side by side.

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench
{

// Median wall time in milliseconds of runs calls of work.
inline double medianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline void printRow(const char* what, double ours, double reference, const char* referenceName)
{
    std::printf("%-44s %10.2f ms   %-28s %10.2f ms   ratio %.2f\n", what, ours, referenceName,
                reference, reference > 0 ? ours / reference : 0.0);
}

} // namespace bench

#pragma once
// Timing helpers of the window benchmarks: every figure is the median of
// several runs, printed next to a reference measured in the same process
// (what Qt alone needs for the same repaint or keystroke), so a slow or busy
// machine shows in both numbers and the ratio stays comparable.
#include "core/settings.h"

#include <QObject>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace lorix::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point from)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// The median of `runs` timings of `op(i)` in milliseconds, each after an
// untimed `setup(i)`.
template <class Setup, class Op> double MedianMs(int runs, Setup setup, Op op)
{
    std::vector<double> t;
    t.reserve(static_cast<size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        setup(i);
        const auto t0 = Clock::now();
        op(i);
        t.push_back(Ms(t0));
    }
    std::nth_element(t.begin(), t.begin() + runs / 2, t.end());
    return t[static_cast<size_t>(runs / 2)];
}

// The same without a setup.
template <class Op> double MedianMs(int runs, Op op)
{
    return MedianMs(runs, [](int) {}, op);
}

// lorix.ini in the current folder for a window benchmark: the delivered
// settings with the given library to load, no log file and no sorting.
inline void WriteBenchSettings(const std::string& filename)
{
    SettingsList st = SettingsList::LoadFromFile(std::string(LORIX_SOURCE_DIR) + "/data/lorix.ini");
    st.Write(key::Filename, filename);
    st.Write(key::LogFile, kNone);
    st.Write(key::Sorting, kNone);
    st.SaveToFile(kIniName);
}

// A control of a window by its object name; a name gone stops the benchmark.
template <class T> T* Find(const QObject* window, const QString& name)
{
    if (T* found = window->findChild<T*>(name))
        return found;
    throw std::runtime_error("no " + name.toStdString() + " in " + window->objectName().toStdString());
}

inline void Report(const char* what, double ms, double referenceMs, double limitMs)
{
    std::printf("%-42s %9.3f ms  (%5.1f x reference %.3f ms, limit %.0f ms) %s\n", what, ms,
                referenceMs > 0 ? ms / referenceMs : 0.0, referenceMs, limitMs,
                ms <= limitMs ? "ok" : "SLOW");
}

} // namespace lorix::bench

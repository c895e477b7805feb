#pragma once
// Timing helpers of the window's benchmarks: they run the Qt event loop on the UI thread.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <ctime>
#include <functional>

namespace morvane::bench {

// Runs the event loop until done() holds; false when timeoutMs passed first.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The calling thread's own CPU time in milliseconds (what it worked, not what it waited).
inline double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

} // namespace morvane::bench

#pragma once
// Wall and CPU time of one benchmark step, printed in aligned columns; a
// step that reports failure is counted instead.

#include <QElapsedTimer>

#include <cstdio>
#include <ctime>
#include <functional>

namespace ardane::bench {

// CPU time of the whole process (all threads), which other work on a busy
// machine disturbs less than the wall clock.
inline double processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

class Timings {
public:
    explicit Timings(int nameWidth) : m_width(nameWidth) {}

    void time(const char* name, const std::function<bool()>& op)
    {
        QElapsedTimer timer;
        const double cpu0 = processCpuMs();
        timer.start();
        const bool ok = op();
        const qint64 ms = timer.elapsed();
        const double cpu = processCpuMs() - cpu0;
        if (!ok) {
            std::printf("%-*s FAILED\n", m_width, name);
            ++m_failures;
            return;
        }
        std::printf("%-*s %8lld ms wall %8.0f ms cpu\n", m_width, name, static_cast<long long>(ms), cpu);
        std::fflush(stdout);
    }
    [[nodiscard]] int failures() const { return m_failures; }

private:
    int m_width;
    int m_failures = 0;
};

} // namespace ardane::bench

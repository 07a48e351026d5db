#pragma once
// Splits the rows of a whole-image operation into bands run on the
// processor's cores. Each band must depend only on what the operation reads,
// never on another band, so the result is the same on any number of threads.
//
// Small images run on the calling thread: starting a thread costs more than
// it saves below a few hundred thousand pixels. When a thread cannot be had
// the band runs on the calling thread instead. An exception thrown in any
// band (std::bad_alloc from a band's buffer) reaches the caller after every
// band has finished; none escapes a worker thread.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace ardane::imaging::ops::detail {

// The most threads the operations use; 0 (the default) means one per core.
inline std::atomic<int>& threadLimitSetting()
{
    static std::atomic<int> limit{0};
    return limit;
}
inline void setThreadLimit(int threads) { threadLimitSetting().store(std::max(threads, 0)); }

[[nodiscard]] inline int workerCount()
{
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int limit = threadLimitSetting().load();
    return std::clamp(limit > 0 ? std::min(limit, cores) : cores, 1, 8);
}

// Work below this many pixels stays on one thread.
inline constexpr std::int64_t kParallelPixels = 256 * 1024;

// Calls body(first, last) for bands of rows [first, last) covering
// [0, rows); `pixels` is the size of the whole job.
template <class Body>
void forRowBands(int rows, std::int64_t pixels, const Body& body)
{
    const int bands = pixels < kParallelPixels ? 1 : std::min(workerCount(), std::max(rows, 1));
    if (bands <= 1) {
        body(0, rows);
        return;
    }
    const auto edge = [rows, bands](int i) { return int(std::int64_t(rows) * i / bands); };
    const auto bandCount = static_cast<std::size_t>(bands);
    std::vector<std::exception_ptr> errors(bandCount);
    std::vector<std::thread> threads;
    threads.reserve(std::size_t(bands - 1));
    const auto run = [&](int i) {
        try {
            body(edge(i), edge(i + 1));
        } catch (...) {
            errors[std::size_t(i)] = std::current_exception();
        }
    };
    int started = 1;
    for (; started < bands; ++started) {
        try {
            threads.emplace_back(run, started);
        } catch (const std::system_error&) {
            break; // no more threads: the rest run here
        }
    }
    run(0);
    for (int i = started; i < bands; ++i)
        run(i);
    for (std::thread& t : threads)
        t.join();
    for (const std::exception_ptr& e : errors)
        if (e)
            std::rethrow_exception(e);
}

} // namespace ardane::imaging::ops::detail

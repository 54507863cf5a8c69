#include "WorkerThreads.h"

#include <system_error>

std::function<void(int worker)> WorkerStartHook;

size_t StartWorkers(std::vector<std::thread>& pool, size_t count,
                    const std::function<void()>& work) {
    const size_t before = pool.size();
    try {
        for (size_t i = 0; i < count; ++i) {
            if (WorkerStartHook)
                WorkerStartHook(static_cast<int>(i));
            pool.emplace_back(work);
        }
    } catch (const std::system_error&) {
    }
    return pool.size() - before;
}

void StartAtLeastOneWorker(std::vector<std::thread>& pool, size_t count,
                           const std::function<void()>& work) {
    if (StartWorkers(pool, count, work) == 0 && count > 0)
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

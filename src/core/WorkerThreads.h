#pragma once

#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

// Starts up to count threads running work, appended to pool. A system short of threads or
// memory may give fewer: the first start that fails (std::system_error) ends the starting, and
// the work goes on with those that run. Returns how many were started.
size_t StartWorkers(std::vector<std::thread>& pool, size_t count,
                    const std::function<void()>& work);

// A start for work that cannot do without a worker: as StartWorkers, but a system that gives
// none is an error (std::system_error, "Nicht genug Systemressourcen").
void StartAtLeastOneWorker(std::vector<std::thread>& pool, size_t count,
                           const std::function<void()>& work);

// Called before each worker is started, with its number; tests make it throw std::system_error
// as a system out of threads would.
extern std::function<void(int worker)> WorkerStartHook;

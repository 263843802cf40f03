#pragma once

#include <exception>
#include <system_error>
#include <thread>

// The number of threads worth splitting a scan over: the machine's cores, at least one.
inline unsigned usableCores()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? cores : 1;
}

// Runs first on this thread and second on another, and returns when both are done. An
// exception from either is rethrown here (first's when both throw), so a failed allocation on
// the other thread is handled where the work was asked for. Where no thread can be started the
// two run one after the other.
template <typename First, typename Second>
void runSideBySide(First&& first, Second&& second)
{
    std::exception_ptr secondFailure;
    std::thread other;
    try {
        other = std::thread([&] {
            try {
                second();
            } catch (...) {
                secondFailure = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        first();
        second();
        return;
    }
    try {
        first();
    } catch (...) {
        other.join();
        throw;
    }
    other.join();
    if (secondFailure)
        std::rethrow_exception(secondFailure);
}

#pragma once

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

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

// Runs work(0) ... work(parts - 1), part 0 on this thread and each other on a thread of its
// own, and returns when all are done; the first exception, by part, is rethrown here.
template <typename Work>
void runInParts(int parts, Work&& work)
{
    std::vector<std::exception_ptr> failures(static_cast<size_t>(std::max(parts, 1)));
    std::vector<std::thread> others;
    auto guarded = [&](int part) {
        try {
            work(part);
        } catch (...) {
            failures[size_t(part)] = std::current_exception();
        }
    };
    for (int part = 1; part < parts; ++part) {
        try {
            others.emplace_back(guarded, part);
        } catch (const std::system_error&) {
            guarded(part); // no thread to be had: this one does it
        }
    }
    guarded(0);
    for (std::thread& other : others)
        other.join();
    for (const std::exception_ptr& failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
}

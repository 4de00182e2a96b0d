// Two pieces of work at once, for the commands that read or order many
// clients: with a second processor, the two halves of such work take about
// the time of one.
#pragma once

#include <functional>
#include <system_error>
#include <thread>

// Ends a thread when it goes out of scope, however the scope is left.
struct Joined {
    std::thread& thread;
    ~Joined() {
        if (thread.joinable()) thread.join();
    }
};

// Runs `second` on a thread of its own while `first` runs on this one, or
// one after the other where no thread can be had; both have ended on return.
// `second` lets no exception escape.
template <class First, class Second> void inParallel(const First& first, const Second& second) {
    std::thread thread;
    try {
        thread = std::thread(std::cref(second));
    } catch (const std::system_error&) {
        second();
    }
    const Joined joined{thread};
    first();
}

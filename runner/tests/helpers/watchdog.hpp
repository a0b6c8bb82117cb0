// For tests that run a child which never ends by itself: kills the process
// whose pid a file names, unless the watchdog is destroyed within a minute,
// so that a wait which nothing stops fails the test instead of hanging it.
// Armed only around the wait, while the child is not yet reaped, so that
// the pid still names it.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

namespace glifora::test {

class Watchdog {
public:
    explicit Watchdog(std::string pidFile)
        : thread([this, pidFile = std::move(pidFile)] {
            std::unique_lock lock(mutex);
            if (ended.wait_for(lock, std::chrono::minutes(1), [this] { return done; }))
                return;
            fired = true;
            pid_t pid = 0;
            if (std::ifstream(pidFile) >> pid)
                kill(pid, SIGKILL);
        })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        ended.notify_one();
        thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Whether it had to kill: then nothing else ended the wait.
    bool hasFired() const { return fired; }

private:
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::atomic<bool> fired = false;
    std::thread thread;
};

} // namespace glifora::test

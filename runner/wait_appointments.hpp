// The captured runner's appointments with its observer, shared by both
// platforms' runners. Internal to runner/.
#pragma once

#include <chrono>

#include "ejecuta.hpp"

namespace glifora::runner {

// Keeps an observer's appointments, about every kObserverInterval, whether
// the child is quiet or writes without a pause. Without an observer there
// are none, and the wait goes on until the child ends.
class WaitAppointments {
public:
    using Clock = std::chrono::steady_clock;

    explicit WaitAppointments(const WaitObserver* observer)
        : observer(observer)
    {
    }

    bool observed() const { return observer != nullptr; }

    // How long the wait may go on before the observer is due (zero when it
    // is due now); only meaningful when observed().
    std::chrono::milliseconds untilDue() const
    {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
        return left.count() > 0 ? left : std::chrono::milliseconds(0);
    }

    // Calls the observer if it is due; false when it asks to stop.
    bool keepWaiting()
    {
        if (!observer)
            return true;
        const Clock::time_point now = Clock::now();
        if (now < next)
            return true;
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - start);
        if ((*observer)(elapsed) == WaitAnswer::Stop)
            return false;
        // From after the call: an observer that took long is not called
        // again at once to catch up.
        next = Clock::now() + kObserverInterval;
        return true;
    }

private:
    const WaitObserver* observer;
    Clock::time_point start = Clock::now();
    Clock::time_point next = start + kObserverInterval;
};

} // namespace glifora::runner

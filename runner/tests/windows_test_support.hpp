// Shared by the Windows tests: the helper child's path and small wrappers.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "command_line.hpp"

namespace glifora::test {

// The helper child program, as a Windows path.
inline std::string childPath()
{
    std::string path = GLIFORA_TEST_CHILD;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// A command line that runs the helper child with the given arguments.
inline std::string childLine(std::string_view arguments)
{
    return runner::quoteArgument(childPath()) + " " + std::string(arguments);
}

// An event with a name unique to this process, closed with the object.
class NamedEvent {
public:
    explicit NamedEvent(std::string_view what)
        : name_("Local\\glifora-test-" + std::to_string(GetCurrentProcessId()) + "-"
            + std::to_string(++counter_) + "-" + std::string(what))
        , handle_(CreateEventA(nullptr, TRUE, FALSE, name_.c_str()))
    {
    }
    ~NamedEvent() { CloseHandle(handle_); }
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;

    const std::string& name() const { return name_; }
    HANDLE handle() const { return handle_; }

private:
    static inline int counter_ = 0;
    std::string name_;
    HANDLE handle_;
};

// How many handles this process has open. Every handle value is probed,
// since Wine's GetProcessHandleCount always reports 0.
inline int openHandleCount()
{
    int count = 0;
    for (std::uintptr_t value = 4; value < 0x4000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0)
            ++count;
    }
    return count;
}

} // namespace glifora::test

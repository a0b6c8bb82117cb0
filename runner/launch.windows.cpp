#include "launch.hpp"

#include <windows.h>


#include "process_start.windows.hpp"
#include "system_reason.windows.hpp"
#include "wait_appointments.hpp"

namespace glifora::runner {

namespace {

HANDLE processHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

// Closing the handle lets the system forget the ended process; the process
// itself runs on.
void LaunchedProcess::release() noexcept
{
    if (handle != kNone)
        CloseHandle(processHandle(handle));
    handle = kNone;
}

bool LaunchedProcess::running() const
{
    return handle != kNone && WaitForSingleObject(processHandle(handle), 0) == WAIT_TIMEOUT;
}

bool LaunchedProcess::waitForEnd(const WaitObserver& observer) const
{
    if (handle == kNone)
        return true;
    WaitAppointments appointments(&observer);
    for (;;) {
        const auto due = static_cast<DWORD>(appointments.untilDue().count());
        if (WaitForSingleObject(processHandle(handle), due) != WAIT_TIMEOUT)
            return true; // ended, or a handle that tells nothing more
        if (!appointments.keepWaiting())
            return false;
    }
}

// On Windows the command line is used as it stands; driveRoot plays no part.
// The new process inherits no handle of ours: the system gives it standard
// handles of its own.
LaunchResult launchDetached(
    std::string_view commandLine, WindowStyle style, std::string_view /*driveRoot*/)
{
    win32::StartOptions options;
    options.startupFlags = STARTF_USESHOWWINDOW;
    options.showWindow = static_cast<WORD>(style);

    PROCESS_INFORMATION process {};
    const win32::StartResult start = win32::createProcess(commandLine, options, process);
    if (start.started == 0)
        return { static_cast<int>(start.error), wording::win32::systemMessage(start.error), {} };
    // Only the process handle is kept, to know when the process has ended;
    // the process runs on its own.
    CloseHandle(process.hThread);
    LaunchResult result;
    result.process = LaunchedProcess::adopt(reinterpret_cast<std::intptr_t>(process.hProcess));
    return result;
}

} // namespace glifora::runner

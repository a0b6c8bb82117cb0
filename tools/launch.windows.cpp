#include "launch.hpp"

#include <windows.h>

#include "process_start.windows.hpp"
#include "system_reason.windows.hpp"

namespace glifora::tools {

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
        return { static_cast<int>(start.error), win32::systemMessage(start.error) };
    // Nothing of the process is kept: it runs on its own.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {};
}

} // namespace glifora::tools

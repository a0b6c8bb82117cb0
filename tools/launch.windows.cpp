#include "launch.hpp"

#include <windows.h>

#include "text_encoding.hpp"
#include "wide_text.windows.hpp"

namespace glifora::tools {

// On Windows the command line is used as it stands; driveRoot plays no part.
// The new process inherits no handle of ours: the system gives it standard
// handles of its own.
LaunchResult launchDetached(
    std::string_view commandLine, WindowStyle style, std::string_view /*driveRoot*/)
{
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(style);

    PROCESS_INFORMATION process {};
    // CreateProcessA may write into the command line: hand it a copy.
    std::string line = toNarrow(commandLine);
    if (CreateProcessA(
            nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)
        == 0) {
        const DWORD error = GetLastError();
        return { static_cast<int>(error), win32::systemMessage(error) };
    }
    // Nothing of the process is kept: it runs on its own.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {};
}

} // namespace glifora::tools

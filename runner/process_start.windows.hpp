// Windows only: starting a process from a UTF-8 command line, for the
// captured runner and the launch. Internal to runner/.
#pragma once

#include <windows.h>

#include <string_view>

namespace glifora::runner::win32 {

// What CreateProcess is given besides the command line.
struct StartOptions {
    SECURITY_ATTRIBUTES* processAttributes = nullptr;
    SECURITY_ATTRIBUTES* threadAttributes = nullptr;
    BOOL inheritHandles = FALSE;
    DWORD creationFlags = 0;
    DWORD startupFlags = 0; // STARTUPINFO's dwFlags
    WORD showWindow = 0;
    HANDLE standardInput = nullptr;
    HANDLE standardOutput = nullptr;
    HANDLE standardError = nullptr;
};

// CreateProcess's result, and GetLastError() read at once after it.
struct StartResult {
    BOOL started = FALSE;
    DWORD error = 0;
};

// Starts commandLine with CreateProcessA, the command line in the ANSI code
// page. Where that code page lacks a character of an argument, the argument
// is replaced by its short (8.3) form, which names the same file in
// characters it has. Where some such argument has none (a file that does
// not exist, a volume without short names), the line goes unchanged to
// CreateProcessW instead, unless a child reading it in the ANSI code page
// would then split it into other arguments.
StartResult createProcess(
    std::string_view commandLine, const StartOptions& options, PROCESS_INFORMATION& process);

} // namespace glifora::runner::win32

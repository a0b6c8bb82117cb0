#include "process_start.windows.hpp"

#include <string>
#include <vector>

#include "command_line.hpp"
#include "text_encoding.hpp"
#include "wide_text.windows.hpp"

namespace glifora::runner::win32 {

using support::fromNarrow;
using support::toNarrow;
using support::win32::utf8FromWide;
using support::win32::wideFromUtf8;

namespace {

// Whether text goes into the ANSI code page and back unchanged.
bool fitsAnsi(std::wstring_view text)
{
    if (text.empty() || GetACP() == CP_UTF8)
        return true;
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
        nullptr, 0, nullptr, &lost);
    return lost == FALSE;
}

// The short form of an existing file's or folder's path, if it fits the
// ANSI code page; empty otherwise.
std::wstring ansiShortForm(const std::wstring& path)
{
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0)
        return {};
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed)
        return {};
    shortPath.resize(length);
    return fitsAnsi(shortPath) ? shortPath : std::wstring();
}

// The program token as CreateProcess reads it: quotes only group.
std::string programToken(const std::string& program)
{
    return program.empty() || program.find_first_of(" \t") != std::string::npos
        ? "\"" + program + "\""
        : program;
}

// The command line with every argument that the ANSI code page cannot hold
// replaced by its short form; empty when some argument has none.
std::string withShortForms(std::string_view commandLine)
{
    std::vector<std::string> arguments = splitCommandLine(commandLine);
    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string& argument = arguments[i];
        if (!fitsAnsi(wideFromUtf8(argument))) {
            const std::wstring shortForm = ansiShortForm(wideFromUtf8(argument));
            if (shortForm.empty())
                return {};
            argument = utf8FromWide(shortForm);
        }
        if (i > 0)
            line += ' ';
        line += i == 0 ? programToken(argument) : quoteArgument(argument);
    }
    return line;
}

// Text as a child reading it in the ANSI code page gets it from a wide
// command line: the system converts with the code page's best-fit mapping,
// so a look-alike may become a quote or a backslash.
std::string asAnsiChildReads(std::string_view utf8)
{
    const std::wstring wide = wideFromUtf8(utf8);
    if (wide.empty())
        return {};
    const int count = static_cast<int>(wide.size());
    const int needed
        = WideCharToMultiByte(CP_ACP, 0, wide.data(), count, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), count, narrow.data(), needed, nullptr, nullptr);
    return fromNarrow(narrow);
}

// Whether a child reading commandLine in the ANSI code page sees the same
// arguments, each only with its characters mapped.
bool splitsAlikeInAnsi(std::string_view commandLine)
{
    std::vector<std::string> expected = splitCommandLine(commandLine);
    for (std::string& argument : expected)
        argument = asAnsiChildReads(argument);
    return splitCommandLine(asAnsiChildReads(commandLine)) == expected;
}

template <typename StartupInfo> StartupInfo startupInfo(const StartOptions& options)
{
    StartupInfo startup {};
    startup.cb = sizeof startup;
    startup.dwFlags = options.startupFlags;
    startup.wShowWindow = options.showWindow;
    startup.hStdInput = options.standardInput;
    startup.hStdOutput = options.standardOutput;
    startup.hStdError = options.standardError;
    return startup;
}

} // namespace

StartResult createProcess(
    std::string_view commandLine, const StartOptions& options, PROCESS_INFORMATION& process)
{
    std::string narrow;
    if (fitsAnsi(wideFromUtf8(commandLine))) {
        narrow = toNarrow(commandLine);
    } else {
        narrow = toNarrow(withShortForms(commandLine));
        if (narrow.empty() && splitsAlikeInAnsi(commandLine)) {
            // CreateProcessW may write into the command line: a copy.
            std::wstring wide = wideFromUtf8(commandLine);
            STARTUPINFOW startup = startupInfo<STARTUPINFOW>(options);
            const BOOL started = CreateProcessW(nullptr, wide.data(), options.processAttributes,
                options.threadAttributes, options.inheritHandles, options.creationFlags, nullptr,
                nullptr, &startup, &process);
            return { started, GetLastError() };
        }
        if (narrow.empty())
            narrow = toNarrow(commandLine); // as ever: what is lost arrives as "?"
    }
    // CreateProcessA may write into the command line: hand it a copy.
    STARTUPINFOA startup = startupInfo<STARTUPINFOA>(options);
    const BOOL started = CreateProcessA(nullptr, narrow.data(), options.processAttributes,
        options.threadAttributes, options.inheritHandles, options.creationFlags, nullptr, nullptr,
        &startup, &process);
    return { started, GetLastError() };
}

} // namespace glifora::runner::win32

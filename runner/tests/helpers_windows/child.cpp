// A child process for the Windows tests of ejecuta and launchDetached. The
// first argument says what to do:
//   print TEXT          write TEXT to standard output, exit 0
//   print-fail TEXT     write TEXT to standard output, exit 3
//   stderr TEXT         write TEXT to standard error only
//   silent              write nothing
//   bytes N             write N bytes of patternByte(0), patternByte(1), ...
//   echo-args ARG...    write each argument, as its bytes, on a line of its own
//   count FILE          add one to the number in FILE and write "run N"
//   spawn EVENT         start "grandchild EVENT" with our handles, write its
//                       process id, exit at once
//   grandchild EVENT    wait for EVENT, then write to standard output until
//                       a write fails (exit 0) or 64 MiB went through (exit 2)
//   startup             write "FLAGS SHOW PRIORITY IN ERR": the start-up
//                       record's flags and show-window code, the priority
//                       class, and whether standard input and error are null
//   launched GO DONE STYLE
//                       if started with show-window STYLE, wait for GO and
//                       then set DONE
//   hang FILE           write our process id to FILE (which appears whole,
//                       by a rename), then wait, writing nothing
//   flood FILE          write our process id to FILE, then write to standard
//                       output without a pause
//   closed FILE [EVENT] write "printed", close standard output, write our
//                       process id to FILE, then wait for EVENT (exit 0)
//   worker FILE         start "hang FILE.worker" with its standard output on
//                       NUL, and once it has written its id write ours to
//                       FILE, then wait
//   cat FILE            write FILE's bytes, the name taken as the C runtime
//                       gives it, in the ANSI code page
//   found EVENT FILE    set EVENT if FILE, taken as by "cat", can be opened
//   wide-args ARG...    write each argument as the wide command line has
//                       it, on a line of its own, each character past
//                       ASCII as <U+XXXX>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pattern.hpp"

namespace {

// Bounded waits, so that a failing test cannot leave a process behind for ever.
constexpr DWORD kLongestWait = 60000;

bool write(HANDLE handle, const char* data, std::size_t size)
{
    while (size > 0) {
        DWORD written = 0;
        if (WriteFile(handle, data, static_cast<DWORD>(size), &written, nullptr) == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

bool writeOut(const std::string& text)
{
    return write(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), text.size());
}

int count(const char* path)
{
    long runs = 0;
    if (std::FILE* in = std::fopen(path, "rb")) {
        if (std::fscanf(in, "%ld", &runs) != 1)
            runs = 0;
        std::fclose(in);
    }
    ++runs;
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr)
        return 1;
    std::fprintf(out, "%ld", runs);
    std::fclose(out);
    writeOut("run " + std::to_string(runs));
    return 0;
}

int spawn(const char* event)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" grandchild " + event;
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (CreateProcessA(
            nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)
        == 0)
        return 1;
    writeOut(std::to_string(process.dwProcessId));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

int grandchild(const char* eventName)
{
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, eventName);
    if (event == nullptr)
        return 1;
    WaitForSingleObject(event, kLongestWait);
    static char block[65536];
    std::memset(block, 'g', sizeof block);
    for (int i = 0; i < 1024; ++i)
        if (!write(GetStdHandle(STD_OUTPUT_HANDLE), block, sizeof block))
            return 0;
    return 2;
}

int startup()
{
    STARTUPINFOA startup {};
    GetStartupInfoA(&startup);
    const auto isNull = [](DWORD which) { return GetStdHandle(which) == nullptr ? "null" : "set"; };
    return writeOut(std::to_string(startup.dwFlags) + " " + std::to_string(startup.wShowWindow)
               + " " + std::to_string(GetPriorityClass(GetCurrentProcess())) + " "
               + isNull(STD_INPUT_HANDLE) + " " + isNull(STD_ERROR_HANDLE))
        ? 0
        : 1;
}

int launched(const char* go, const char* done, const char* style)
{
    STARTUPINFOA startup {};
    GetStartupInfoA(&startup);
    if ((startup.dwFlags & STARTF_USESHOWWINDOW) == 0 || startup.wShowWindow != std::atoi(style))
        return 1;
    HANDLE goEvent = OpenEventA(SYNCHRONIZE, FALSE, go);
    HANDLE doneEvent = OpenEventA(EVENT_MODIFY_STATE, FALSE, done);
    if (goEvent == nullptr || doneEvent == nullptr)
        return 1;
    if (WaitForSingleObject(goEvent, kLongestWait) != WAIT_OBJECT_0)
        return 1;
    SetEvent(doneEvent);
    return 0;
}

// Makes our process id known through path, complete once it exists.
bool announceId(const char* path)
{
    const std::string partial = std::string(path) + ".partial";
    std::FILE* out = std::fopen(partial.c_str(), "wb");
    if (out == nullptr)
        return false;
    std::fprintf(out, "%lu", GetCurrentProcessId());
    std::fclose(out);
    return MoveFileExA(partial.c_str(), path, MOVEFILE_REPLACE_EXISTING) != 0;
}

int hang(const char* path)
{
    if (!announceId(path))
        return 1;
    Sleep(kLongestWait);
    return 0;
}

int flood(const char* path)
{
    if (!announceId(path))
        return 1;
    static char block[65536];
    std::memset(block, 'f', sizeof block);
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < kLongestWait) {
        if (!write(GetStdHandle(STD_OUTPUT_HANDLE), block, sizeof block))
            return 0;
    }
    return 2;
}

int closed(const char* path, const char* eventName)
{
    if (!writeOut("printed") || CloseHandle(GetStdHandle(STD_OUTPUT_HANDLE)) == 0)
        return 1;
    HANDLE event = eventName != nullptr ? OpenEventA(SYNCHRONIZE, FALSE, eventName) : nullptr;
    if (eventName != nullptr && event == nullptr)
        return 1;
    if (!announceId(path))
        return 1;
    if (event == nullptr)
        Sleep(kLongestWait);
    else
        WaitForSingleObject(event, kLongestWait);
    return 0;
}

int worker(const char* path)
{
    // Our output is not the worker's: it must not inherit it.
    SetHandleInformation(GetStdHandle(STD_OUTPUT_HANDLE), HANDLE_FLAG_INHERIT, 0);
    SECURITY_ATTRIBUTES inheritable {};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    HANDLE null = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
        &inheritable, OPEN_EXISTING, 0, nullptr);
    if (null == INVALID_HANDLE_VALUE)
        return 1;

    const std::string workerFile = std::string(path) + ".worker";
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" hang \"" + workerFile + "\"";
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = null;
    PROCESS_INFORMATION process {};
    if (CreateProcessA(
            nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)
        == 0)
        return 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(null);

    for (DWORD waited = 0; GetFileAttributesA(workerFile.c_str()) == INVALID_FILE_ATTRIBUTES;
         waited += 5) {
        if (waited >= kLongestWait)
            return 1;
        Sleep(5);
    }
    return hang(path);
}

int cat(const char* path)
{
    std::FILE* in = std::fopen(path, "rb");
    if (in == nullptr)
        return writeOut(std::string("cannot open ") + path) ? 1 : 2;
    std::string bytes;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        bytes.append(buffer, n);
    std::fclose(in);
    return writeOut(bytes) ? 0 : 1;
}

int found(const char* eventName, const char* path)
{
    std::FILE* in = std::fopen(path, "rb");
    if (in == nullptr)
        return 1;
    std::fclose(in);
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName);
    return event != nullptr && SetEvent(event) ? 0 : 1;
}

int wideArguments()
{
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr)
        return 1;
    std::string lines;
    for (int i = 2; i < count; ++i) {
        for (const wchar_t* c = arguments[i]; *c != 0; ++c) {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "<U+%04X>", static_cast<unsigned>(*c));
            lines += *c < 0x80 ? std::string(1, static_cast<char>(*c)) : std::string(escaped);
        }
        lines += "\n";
    }
    LocalFree(arguments);
    return writeOut(lines) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 1;
    const std::string mode = argv[1];
    const std::string text = argc > 2 ? argv[2] : "";

    if (mode == "print")
        return writeOut(text) ? 0 : 1;
    if (mode == "print-fail")
        return writeOut(text) ? 3 : 1;
    if (mode == "stderr")
        return write(GetStdHandle(STD_ERROR_HANDLE), text.data(), text.size()) ? 0 : 1;
    if (mode == "silent")
        return 0;
    if (mode == "bytes") {
        const std::size_t size = std::strtoul(text.c_str(), nullptr, 10);
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = glifora::test::patternByte(i);
        return writeOut(bytes) ? 0 : 1;
    }
    if (mode == "echo-args") {
        std::string lines;
        for (int i = 2; i < argc; ++i)
            lines += std::string(argv[i]) + "\n";
        return writeOut(lines) ? 0 : 1;
    }
    if (mode == "startup")
        return startup();
    if (mode == "count" && argc > 2)
        return count(argv[2]);
    if (mode == "spawn" && argc > 2)
        return spawn(argv[2]);
    if (mode == "grandchild" && argc > 2)
        return grandchild(argv[2]);
    if (mode == "launched" && argc > 4)
        return launched(argv[2], argv[3], argv[4]);
    if (mode == "hang" && argc > 2)
        return hang(argv[2]);
    if (mode == "flood" && argc > 2)
        return flood(argv[2]);
    if (mode == "closed" && argc > 2)
        return closed(argv[2], argc > 3 ? argv[3] : nullptr);
    if (mode == "worker" && argc > 2)
        return worker(argv[2]);
    if (mode == "cat" && argc > 2)
        return cat(argv[2]);
    if (mode == "found" && argc > 3)
        return found(argv[2], argv[3]);
    if (mode == "wide-args")
        return wideArguments();
    return 1;
}

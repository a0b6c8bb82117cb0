#include "ejecuta.hpp"

#include <windows.h>

#include <cstdint>
#include <optional>

#include "process_start.windows.hpp"
#include "text_encoding.hpp"
#include "wait_appointments.hpp"

namespace glifora::runner {

using support::fromNarrow;

namespace {

// How long to wait for the child at a time while its pipe is empty.
constexpr DWORD kPollMilliseconds = 10;

// The error number as a signed 32-bit decimal.
std::string failure(std::string_view text, DWORD error)
{
    std::string result(text);
    result += std::to_string(static_cast<std::int32_t>(error));
    return result;
}

// What the reads of one call have gathered.
struct Capture {
    char buffer[kCaptureCapacity];
    std::size_t kept = 0;
    DWORD readError = 0; // 0: no read failed
    bool finished = false; // every writer has closed the pipe
    bool childEnded = false; // the wait on the child has returned
    bool stopped = false; // the observer asked to stop
};

// Reads exactly `available` bytes, which the pipe already holds, so no read
// can block. Bytes past the capacity are read and dropped.
void take(HANDLE readEnd, DWORD available, Capture& capture)
{
    char discard[4096];
    while (available > 0) {
        const std::size_t room = kCaptureCapacity - capture.kept;
        char* target = room > 0 ? capture.buffer + capture.kept : discard;
        const DWORD limit = room > 0 ? static_cast<DWORD>(room) : DWORD { sizeof discard };
        const DWORD wanted = available < limit ? available : limit;
        DWORD got = 0;
        if (ReadFile(readEnd, target, wanted, &got, nullptr) != 1) {
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE)
                capture.finished = true; // the end of the output, not a failure
            else
                capture.readError = error;
            return;
        }
        if (got == 0)
            return; // cannot happen with bytes waiting; never spin on it
        if (room > 0)
            capture.kept += got;
        available -= got;
    }
}

// How many bytes the pipe holds; false when reading has come to an end,
// normally or by a failure recorded in capture.
bool waiting(HANDLE readEnd, DWORD& available, Capture& capture)
{
    if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) != 0)
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_BROKEN_PIPE)
        capture.finished = true;
    else
        capture.readError = error;
    return false;
}

// Keeps the pipe drained until the child has ended or the observer asks to
// stop. Once the child has ended, what the pipe holds at that moment is the
// rest of its output: a process that the child started may still hold the
// write end, and must not keep us here. Once the output has ended, the
// child may still run (a tool that closes its standard output and works
// on): then only its end is waited for, and the observer keeps its
// appointments until it comes. After a failed read it does not wait: the
// child might be blocked writing to a pipe that nobody reads.
void drain(HANDLE process, HANDLE readEnd, Capture& capture, const WaitObserver* observer)
{
    WaitAppointments appointments(observer);
    for (;;) {
        if (!capture.finished) {
            DWORD available = 0;
            if (waiting(readEnd, available, capture) && available > 0)
                take(readEnd, available, capture);
            if (capture.readError != 0 || capture.childEnded)
                return;
            if (!capture.finished && available == 0)
                capture.childEnded
                    = WaitForSingleObject(process, kPollMilliseconds) != WAIT_TIMEOUT;
        }
        if (capture.finished) {
            const DWORD timeout = appointments.observed()
                ? static_cast<DWORD>(appointments.untilDue().count())
                : INFINITE;
            capture.childEnded = WaitForSingleObject(process, timeout) != WAIT_TIMEOUT;
            if (capture.childEnded)
                return;
        }
        if (!capture.childEnded && !appointments.keepWaiting()) {
            capture.stopped = true;
            return;
        }
    }
}

// Runs commandLine; observer may be null.
std::optional<std::string> run(std::string_view commandLine, const WaitObserver* observer)
{
    // One record serves for the pipe and for the child's process and thread.
    SECURITY_ATTRIBUTES inheritable {};
    inheritable.nLength = sizeof inheritable;
    inheritable.lpSecurityDescriptor = nullptr;
    inheritable.bInheritHandle = TRUE;

    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (CreatePipe(&readEnd, &writeEnd, &inheritable, 0) == 0)
        return failure("Error: CreatePipe failed. ", GetLastError());

    // Only the write end is for the child. A read end inherited by the child,
    // and by whatever it starts, would keep the pipe alive after we have
    // gone, and a late writer would then block for ever.
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    win32::StartOptions options;
    options.processAttributes = &inheritable;
    options.threadAttributes = &inheritable;
    // The child inherits every inheritable handle of ours, not only the
    // write end. A handle list (PROC_THREAD_ATTRIBUTE_HANDLE_LIST) would
    // narrow that. It is not used: its main use is against another thread
    // starting a child at the same moment, which this single-threaded
    // program never does. The inheritable handles this call makes are the
    // write end and, through the same record, the child's process and
    // thread handles; those two come into being with the child, so it
    // cannot inherit them, and they are closed before the call returns, so
    // no later child can. A handle left inheritable by a library would only
    // be held by the tool until it ends, which Cancelar can bring about.
    options.inheritHandles = TRUE;
    options.creationFlags = NORMAL_PRIORITY_CLASS;
    options.startupFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    options.showWindow = SW_SHOWMINNOACTIVE;
    options.standardOutput = writeEnd;

    // A Stop ends the child and every process it starts: they all belong
    // to this job, whose handle is not inheritable. Where no job can be
    // made or joined, a Stop ends the child alone.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);

    PROCESS_INFORMATION child {};
    const win32::StartResult start = win32::createProcess(commandLine, options, child);
    if (start.started != 1) {
        if (start.started != 0) {
            // Counted as a failure all the same, but a child does exist:
            // its handles are ours to release.
            CloseHandle(child.hProcess);
            CloseHandle(child.hThread);
        }
        if (job != nullptr)
            CloseHandle(job);
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return failure("Error: CreateProcess failed. ", start.error);
    }
    // The child joins the job at once; what it starts from then on joins
    // too. A process it started in the moment before, between
    // CreateProcess and this call, stays outside and outlives a Stop.
    // Starting the child suspended would close that gap, but the child's
    // creation flags stay as the tools have always been started.
    if (job != nullptr && AssignProcessToJobObject(job, child.hProcess) == 0) {
        CloseHandle(job);
        job = nullptr;
    }

    // The child has its own copy now; ours would keep the pipe open after the
    // child has ended, and the end of the output would never come.
    CloseHandle(writeEnd);

    Capture capture;
    drain(child.hProcess, readEnd, capture, observer);
    if (capture.stopped) {
        // Ended at once with all it started, and waited for, so that
        // nothing of it is left running when the call returns. The child
        // is also ended by itself, in case it is not in the job.
        if (job != nullptr)
            TerminateJobObject(job, ERROR_CANCELLED);
        TerminateProcess(child.hProcess, ERROR_CANCELLED);
        WaitForSingleObject(child.hProcess, INFINITE);
    }
    // When the child ends by itself, closing the job ends nothing: what it
    // left running goes on.
    if (job != nullptr)
        CloseHandle(job);

    std::optional<std::string> result;
    if (capture.readError != 0)
        result = failure("Error: ReadFile failed. ", capture.readError);
    else if (!capture.stopped)
        result = fromNarrow(std::string_view(capture.buffer, capture.kept));

    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    CloseHandle(readEnd);
    return result;
}

} // namespace

// On Windows the command line is used as it stands; driveRoot plays no part.
std::string ejecuta(std::string_view commandLine, std::string_view /*driveRoot*/)
{
    // Without an observer nothing asks to stop: there is always a result.
    return *run(commandLine, nullptr);
}

std::optional<std::string> ejecuta(
    std::string_view commandLine, std::string_view /*driveRoot*/, const WaitObserver& observer)
{
    return run(commandLine, &observer);
}

} // namespace glifora::runner

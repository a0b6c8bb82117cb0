// A stand-in tool for the process tests: does one thing, chosen by its first
// argument, so that a test can tell exactly what reached the child and what
// the child did. Kept to plain POSIX calls; it must not depend on runner/.
//
//   print TEXT            TEXT on standard output, nothing else
//   repeat N              N bytes of a repeating a..z pattern
//   args ARG...           every ARG followed by a NUL byte
//   state                 "fds=0,1,2\nsigblk=...\nsigign=...\n": the open
//                         descriptors and the blocked and ignored signals
//   streams               "in=<fd 0's file>\nerr=<fd 2's file>\n"
//   stderr TEXT           TEXT on standard error only
//   fail TEXT             TEXT on standard output, then exit status 3
//   sleep MS TEXT         waits MS milliseconds, then prints TEXT
//   silent                writes nothing
//   grandchild            starts a grandchild that writes "grandchild\n"
//                         and keeps standard output open for 30 s; once it
//                         has written, prints "pid=<its pid>\n" and exits
//   record FILE MODE...   runs MODE with standard output going to FILE,
//                         which appears (by rename) only once complete
//   hang FILE             writes its pid to FILE (which appears whole, by
//                         rename), then waits for ever, writing nothing
//   flood FILE            writes its pid to FILE, then the "repeat" pattern
//                         for ever
//   closed FILE           prints "printed", closes its standard output,
//                         writes its pid to FILE and waits; SIGUSR1 ends it
//                         (exit status 0)
//   worker FILE           starts a worker, "hang FILE.worker" with its
//                         standard output on /dev/null, and once the worker
//                         has written its pid writes its own to FILE and
//                         waits for ever
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>

namespace {

void writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0)
            exit(100);
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void writeAll(int fd, const std::string& text)
{
    writeAll(fd, text.data(), text.size());
}

void sleepMs(long ms)
{
    timespec t { ms / 1000, (ms % 1000) * 1000000L };
    while (nanosleep(&t, &t) == -1) { }
}

// A line of /proc/self/status, e.g. "SigBlk:\t0000000000000000".
std::string statusField(const char* name)
{
    FILE* f = fopen("/proc/self/status", "r");
    if (!f)
        exit(101);
    char line[256];
    std::string value = "?";
    while (fgets(line, sizeof line, f)) {
        if (strncmp(line, name, strlen(name)) == 0) {
            const char* p = line + strlen(name);
            while (*p == ':' || *p == '\t' || *p == ' ')
                ++p;
            value.assign(p, strcspn(p, "\n"));
        }
    }
    fclose(f);
    return value;
}

std::string openDescriptors()
{
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        exit(102);
    bool seen[1024] = {};
    std::string others;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const int fd = atoi(entry->d_name);
        if (fd == dirfd(dir))
            continue;
        if (fd >= 0 && fd < 1024)
            seen[fd] = true;
        else
            others += std::string(",") + entry->d_name;
    }
    closedir(dir);
    std::string list;
    for (int fd = 0; fd < 1024; ++fd) {
        if (seen[fd])
            list += (list.empty() ? "" : ",") + std::to_string(fd);
    }
    return list + others;
}

std::string linkTarget(const char* path)
{
    char target[4096];
    const ssize_t n = readlink(path, target, sizeof target);
    return n < 0 ? std::string("closed") : std::string(target, static_cast<size_t>(n));
}

int run(int argc, char** argv);

int grandchild()
{
    int ready[2];
    if (pipe(ready) == -1)
        return 103;
    const pid_t pid = fork();
    if (pid == -1)
        return 104;
    if (pid == 0) {
        close(ready[0]);
        writeAll(STDOUT_FILENO, "grandchild\n");
        close(ready[1]);
        sleepMs(30000);
        _exit(0);
    }
    close(ready[1]);
    char c;
    while (read(ready[0], &c, 1) == -1) { } // EOF once the grandchild has written
    writeAll(STDOUT_FILENO, "pid=" + std::to_string(pid) + "\n");
    return 0;
}

int record(int argc, char** argv)
{
    if (argc < 4)
        return 105;
    const std::string final = argv[2];
    const std::string partial = final + ".partial";
    const int fd = open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd == -1)
        return 106;
    // Keep the launched process's own descriptor list honest: fd 1 is
    // replaced, nothing is added.
    if (dup2(fd, STDOUT_FILENO) == -1)
        return 107;
    close(fd);
    const int status = run(argc - 2, argv + 2);
    if (rename(partial.c_str(), final.c_str()) == -1)
        return 108;
    return status;
}

// Makes our pid known through path, complete once it exists.
void announcePid(const std::string& path)
{
    const std::string partial = path + ".partial";
    const int fd = open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd == -1)
        exit(109);
    writeAll(fd, std::to_string(getpid()));
    close(fd);
    if (rename(partial.c_str(), path.c_str()) == -1)
        exit(110);
}

// Started by "worker": whether the worker's pid file has appeared within a
// minute.
bool waitForFile(const std::string& path)
{
    for (int i = 0; i < 60000 / 5; ++i) {
        if (access(path.c_str(), F_OK) == 0)
            return true;
        sleepMs(5);
    }
    return false;
}

int worker(const std::string& pidFile)
{
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return 111;
    self[length] = '\0';
    const std::string workerFile = pidFile + ".worker";
    const pid_t pid = fork();
    if (pid == -1)
        return 112;
    if (pid == 0) {
        // The worker's output goes elsewhere: only we hold the pipe.
        const int null = open("/dev/null", O_WRONLY);
        if (null == -1 || dup2(null, STDOUT_FILENO) == -1)
            _exit(113);
        close(null);
        char hang[] = "hang";
        char* const args[] = { self, hang, const_cast<char*>(workerFile.c_str()), nullptr };
        execv(self, args);
        _exit(114);
    }
    if (!waitForFile(workerFile))
        return 115;
    announcePid(pidFile);
    for (;;)
        pause();
}

void endQuietly(int)
{
    _exit(0);
}

int run(int argc, char** argv)
{
    if (argc < 2)
        return 99;
    const std::string mode = argv[1];
    if (mode == "print" && argc == 3) {
        writeAll(STDOUT_FILENO, argv[2]);
    } else if (mode == "repeat" && argc == 3) {
        size_t left = strtoull(argv[2], nullptr, 10);
        // A whole number of alphabets, so the pattern runs on across writes
        // and byte i of the output is always 'a' + i % 26.
        static char block[26 * 2520];
        for (size_t i = 0; i < sizeof block; ++i)
            block[i] = static_cast<char>('a' + i % 26);
        while (left > 0) {
            const size_t n = left < sizeof block ? left : sizeof block;
            writeAll(STDOUT_FILENO, block, n);
            left -= n;
        }
    } else if (mode == "args") {
        for (int i = 2; i < argc; ++i)
            writeAll(STDOUT_FILENO, argv[i], strlen(argv[i]) + 1);
    } else if (mode == "state" && argc == 2) {
        writeAll(STDOUT_FILENO,
            "fds=" + openDescriptors() + "\nsigblk=" + statusField("SigBlk")
                + "\nsigign=" + statusField("SigIgn") + "\n");
    } else if (mode == "streams" && argc == 2) {
        writeAll(STDOUT_FILENO,
            "in=" + linkTarget("/proc/self/fd/0") + "\nerr=" + linkTarget("/proc/self/fd/2")
                + "\n");
    } else if (mode == "stderr" && argc == 3) {
        writeAll(STDERR_FILENO, argv[2]);
    } else if (mode == "fail" && argc == 3) {
        writeAll(STDOUT_FILENO, argv[2]);
        return 3;
    } else if (mode == "sleep" && argc == 4) {
        sleepMs(atol(argv[2]));
        writeAll(STDOUT_FILENO, argv[3]);
    } else if (mode == "silent" && argc == 2) {
    } else if (mode == "grandchild" && argc == 2) {
        return grandchild();
    } else if (mode == "hang" && argc == 3) {
        announcePid(argv[2]);
        for (;;)
            pause();
    } else if (mode == "flood" && argc == 3) {
        announcePid(argv[2]);
        static char block[26 * 2520];
        for (size_t i = 0; i < sizeof block; ++i)
            block[i] = static_cast<char>('a' + i % 26);
        for (;;)
            writeAll(STDOUT_FILENO, block, sizeof block);
    } else if (mode == "closed" && argc == 3) {
        signal(SIGUSR1, endQuietly);
        writeAll(STDOUT_FILENO, "printed");
        if (close(STDOUT_FILENO) == -1)
            return 116;
        announcePid(argv[2]);
        for (;;)
            pause();
    } else if (mode == "worker" && argc == 3) {
        return worker(argv[2]);
    } else if (mode == "record") {
        return record(argc, argv);
    } else {
        return 99;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return run(argc, argv);
}

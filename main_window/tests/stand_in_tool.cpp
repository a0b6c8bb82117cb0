// A stand-in for any external tool in tests. Each run appends its arguments
// to "<own path>.calls" (each argument ended by NUL, each call by a newline)
// and then copies "<own path>.out", if there is one, to standard output.
// With a file "<own path>.hang" it writes its pid to "<own path>.pid"
// instead, and then waits for ever: a tool that never ends. With a file
// "<own path>.closes" it copies "<own path>.out" first and closes its
// standard output before it does so: a tool that closes its output and
// works on. With a FIFO "<own path>.gate" it first waits until a writer has
// opened and closed the FIFO, then writes "<own path>.result", if there is
// one, to "resvec.txt" beside itself (whole, by a rename): a slow recogniser.
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include <fcntl.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return 2;
    self[n] = '\0';

    std::string record;
    for (int i = 1; i < argc; ++i) {
        record += argv[i];
        record += '\0';
    }
    record += '\n';
    // One write with O_APPEND, so that calls running at once never mix.
    const int fd = open((std::string(self) + ".calls").c_str(),
                        O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, record.data(), record.size()) != static_cast<ssize_t>(record.size()))
        return 3;
    close(fd);

    const std::string gate = std::string(self) + ".gate";
    if (access(gate.c_str(), F_OK) == 0) {
        const int waiting = open(gate.c_str(), O_RDONLY | O_CLOEXEC);
        char ignored[64];
        while (waiting >= 0 && read(waiting, ignored, sizeof ignored) > 0) { }
        std::ifstream result(std::string(self) + ".result", std::ios::binary);
        if (result) {
            const std::string folder(self, std::string(self).rfind('/') + 1);
            const std::string bytes(
                (std::istreambuf_iterator<char>(result)), std::istreambuf_iterator<char>());
            std::ofstream(folder + "resvec.txt.partial", std::ios::binary) << bytes;
            if (rename((folder + "resvec.txt.partial").c_str(), (folder + "resvec.txt").c_str()))
                return 5;
        }
    }

    const auto copyOut = [&] {
        std::ifstream out(std::string(self) + ".out", std::ios::binary);
        if (!out)
            return;
        std::string bytes((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
        fwrite(bytes.data(), 1, bytes.size(), stdout);
    };
    const bool closes = access((std::string(self) + ".closes").c_str(), F_OK) == 0;
    if (closes) {
        copyOut();
        if (fclose(stdout) != 0)
            return 5;
    }
    if (closes || access((std::string(self) + ".hang").c_str(), F_OK) == 0) {
        const std::string pid = std::to_string(getpid());
        const std::string partial = std::string(self) + ".pid.partial";
        FILE* file = fopen(partial.c_str(), "w");
        if (!file || fputs(pid.c_str(), file) == EOF || fclose(file) != 0
            || rename(partial.c_str(), (std::string(self) + ".pid").c_str()) != 0)
            return 4;
        for (;;)
            pause();
    }

    copyOut();
    return 0;
}

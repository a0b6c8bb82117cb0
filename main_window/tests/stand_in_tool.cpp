// A stand-in for any external tool in tests. Each run appends its arguments
// to "<own path>.calls" (each argument ended by NUL, each call by a newline)
// and then copies "<own path>.out", if there is one, to standard output.
#include <cstdio>
#include <fstream>
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

    std::ifstream out(std::string(self) + ".out", std::ios::binary);
    if (out) {
        std::string bytes((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
        fwrite(bytes.data(), 1, bytes.size(), stdout);
    }
    return 0;
}

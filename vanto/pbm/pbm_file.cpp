// Reading a PBM file. The file is opened without blocking and read only if
// it is a regular file of a sane length (readRegularFile), so a FIFO, a
// device or a huge file never stalls or exhausts a tool.
#include "pbm.hpp"

#include "file_failure.hpp"

namespace vanto {
namespace {

// The file name as shown in a message: control characters would break
// the one-line message, so they are shown as '?'.
std::string quoted(const std::string& path)
{
    std::string shown = "«";
    for (char c : path)
        shown += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    return shown + "»";
}

PbmResult failure(const std::string& path, const std::string& what)
{
    PbmResult result;
    result.error = quoted(path) + ": " + what;
    return result;
}

} // namespace

PbmResult readPbm(const std::string& path)
{
    const FileBytes file = readRegularFile(path, kMaxFileBytes);
    if (!file.ok())
        return failure(path, glifora::wording::whyNotRead(file.failure));

    PbmResult result = parsePbm(file.bytes);
    if (!result.ok())
        result.error = quoted(path) + ": " + result.error;
    return result;
}

} // namespace vanto

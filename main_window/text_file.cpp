#include "text_file.hpp"

#include <QFile>

#include <utility>

#include "regular_file.hpp"
#include "text_encoding.hpp"

namespace glifora {

TextFile readTextFile(const QString& path, qint64 maxSize)
{
    support::FileBytes file = support::readRegularFile(
        QFile::encodeName(path).toStdString(), static_cast<std::uint64_t>(maxSize));
    if (!file.ok())
        return TextFile{QString(), QString::fromStdString(file.error)};
    // The bytes are given up to the decoding, so that a file that is already
    // UTF-8 is held once as bytes and once as the view's text, not twice.
    return TextFile{QString::fromStdString(support::fromNarrowTaking(std::move(file.bytes))),
                    QString()};
}

}  // namespace glifora

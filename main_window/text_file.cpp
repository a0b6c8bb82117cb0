#include "text_file.hpp"

#include <QFile>

#include "file_failure.hpp"
#include "narrow_text.hpp"
#include "regular_file.hpp"

namespace glifora {

TextFile readTextFile(const QString& path, qint64 maxSize)
{
    const support::FileBytes file = support::readRegularFile(
        QFile::encodeName(path).toStdString(), static_cast<std::uint64_t>(maxSize));
    if (!file.ok())
        return TextFile{QString(), QString::fromStdString(wording::whyNotRead(file.failure))};
    return TextFile{decodeNarrow(QByteArrayView(file.bytes.data(), qsizetype(file.bytes.size()))),
                    QString()};
}

}  // namespace glifora

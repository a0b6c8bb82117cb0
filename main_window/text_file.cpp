#include "text_file.hpp"

#include <QFile>
#include <QStringDecoder>

#include <string_view>

#include "file_failure.hpp"
#include "regular_file.hpp"
#include "text_encoding.hpp"

namespace glifora {

namespace {

// The bytes as text, decoded from the narrow code page as the runner and the
// tools decode it. The UTF-8 comes in pieces, so that a whole UTF-8 copy of
// the file (three bytes for each ill-formed byte of a raw image) is never
// held beside the bytes and the text.
QString decodeNarrow(const std::string& bytes)
{
    constexpr std::size_t kPieceBytes = 64 * 1024;
    // One UTF-16 unit at most for each byte, however it decodes; each piece
    // is decoded straight into its place.
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* end = text.data();
    // As QString::fromUtf8, the decoder drops a byte order mark at the start.
    QStringDecoder utf8(QStringDecoder::Utf8);
    support::fromNarrowInPieces(bytes, kPieceBytes, [&](std::string_view piece) {
        end = utf8.appendToBuffer(end, QByteArrayView(piece.data(), qsizetype(piece.size())));
    });
    text.truncate(end - text.constData());
    return text;
}

}  // namespace

TextFile readTextFile(const QString& path, qint64 maxSize)
{
    const support::FileBytes file = support::readRegularFile(
        QFile::encodeName(path).toStdString(), static_cast<std::uint64_t>(maxSize));
    if (!file.ok())
        return TextFile{QString(), QString::fromStdString(wording::whyNotRead(file.failure))};
    return TextFile{decodeNarrow(file.bytes), QString()};
}

}  // namespace glifora

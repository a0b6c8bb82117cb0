// The text files that the views show: the image, the recogniser's result,
// the reference database.
#pragma once

#include <QString>

namespace glifora {

// Files larger than this are refused rather than loaded into a view.
inline constexpr qint64 kMaxViewedFileSize = 256ll * 1024 * 1024;

// A whole text file, decoded from the system's narrow code page, or the
// reason it could not be read.
struct TextFile {
    QString text;
    QString error;  // empty when the read worked

    bool ok() const { return error.isEmpty(); }
};

// Reads the regular file at path, whole. Anything else (missing, a
// directory, a FIFO or device, unreadable, larger than maxSize) gives a
// Spanish reason, with the system's error number where there is one, and
// nothing blocks, even when the file is swapped for a FIFO while we look.
TextFile readTextFile(const QString& path, qint64 maxSize = kMaxViewedFileSize);

}  // namespace glifora

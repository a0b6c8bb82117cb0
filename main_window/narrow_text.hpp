// Text in the system's narrow ("ANSI") code page, as files and tools write
// it, decoded for the windows: UTF-8 on POSIX systems (as Qt 6 assumes),
// CP_ACP on Windows. Bytes that do not decode become U+FFFD.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace glifora {

QString decodeNarrow(QByteArrayView bytes);

} // namespace glifora

#include "narrow_text.hpp"

namespace glifora {

QString decodeNarrow(QByteArrayView bytes)
{
    // The narrow code page is UTF-8. QString::fromLocal8Bit would give the
    // same text by way of a wide-character copy four times the size of the
    // bytes; this decodes straight into the result.
    return QString::fromUtf8(bytes);
}

} // namespace glifora

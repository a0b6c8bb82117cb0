#include "narrow_text.hpp"

namespace glifora {

QString decodeNarrow(QByteArrayView bytes)
{
    return QString::fromLocal8Bit(bytes);
}

} // namespace glifora

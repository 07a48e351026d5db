#include "doc/LayeredFormat.h"

#include <QFile>

namespace ardane::doc {

bool isLayeredFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    unsigned char b[4] = {};
    if (file.read(reinterpret_cast<char*>(b), 4) != 4)
        return false;
    const std::uint32_t value = std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8)
                              | (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24);
    return value == kLayeredSignature;
}

} // namespace ardane::doc

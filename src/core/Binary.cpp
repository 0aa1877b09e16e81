#include "core/Binary.h"

#include "core/Cp1252.h"

#include <algorithm>

namespace Binary {

QString getShortString(const char* p, int capacity) {
    const int len = std::min<int>(static_cast<uint8_t>(p[0]), capacity);
    return Cp1252::decode(p + 1, len);
}

void putShortString(char* p, int capacity, const QString& text) {
    const QByteArray bytes = Cp1252::encode(text.left(capacity));
    const int len = static_cast<int>(std::min<qsizetype>(bytes.size(), capacity));
    std::memset(p, 0, static_cast<size_t>(capacity) + 1);
    p[0] = static_cast<char>(len);
    std::memcpy(p + 1, bytes.constData(), static_cast<size_t>(len));
}

} // namespace Binary

#pragma once
// Little-endian field access for the fixed-size records of the stored files
// (reminders file, profiles file, binary settings). Independent of host order.
#include <QByteArray>
#include <QString>
#include <bit>
#include <cstdint>
#include <cstring>

namespace Binary {

inline uint16_t getU16(const char* p) {
    return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | (static_cast<uint8_t>(p[1]) << 8));
}
inline void putU16(char* p, uint16_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}
inline int32_t getI32(const char* p) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(p[i]);
    return static_cast<int32_t>(v);
}
inline void putI32(char* p, int32_t value) {
    auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i, v >>= 8)
        p[i] = static_cast<char>(v & 0xFF);
}
inline double getF64(const char* p) {
    double d;
    if constexpr (std::endian::native == std::endian::little) { // one load (a file has 65535 records)
        std::memcpy(&d, p, sizeof d);
        return d;
    }
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(p[i]);
    std::memcpy(&d, &v, sizeof d);
    return d;
}
inline void putF64(char* p, double d) {
    uint64_t v;
    std::memcpy(&v, &d, sizeof v);
    for (int i = 0; i < 8; ++i, v >>= 8)
        p[i] = static_cast<char>(v & 0xFF);
}

// short string[capacity]: one length byte, then `capacity` bytes of Windows-1252 text.
// A length byte larger than the capacity is clamped (foreign or damaged data).
QString getShortString(const char* p, int capacity);
// Writes the text cut to `capacity` characters; unused bytes become zero.
void putShortString(char* p, int capacity, const QString& text);

} // namespace Binary

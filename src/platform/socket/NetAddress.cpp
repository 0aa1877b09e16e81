// Numeric addresses to and from their text, through the platform's own parsers.
#include "platform/socket/NetAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

NetAddress NetAddress::v4(uint32_t address) {
    NetAddress a;
    a.family = Family::V4;
    std::memcpy(a.bytes.data(), &address, 4);
    return a;
}

NetAddress NetAddress::v6(const uint8_t* sixteenBytes) {
    NetAddress a;
    a.family = Family::V6;
    std::memcpy(a.bytes.data(), sixteenBytes, 16);
    return a;
}

bool NetAddress::parseDotted(const QString& text, uint32_t* addressNetworkOrder) {
    const QByteArray bytes = text.left(127).toLatin1();
    const in_addr_t parsed = inet_addr(bytes.constData());
    if (parsed == INADDR_NONE) return false; // also the all-ones address, as the platform does
    *addressNetworkOrder = parsed;
    return true;
}

bool NetAddress::parse(const QString& text, NetAddress* address) {
    uint32_t dotted = 0;
    if (parseDotted(text, &dotted)) {
        *address = v4(dotted);
        return true;
    }
    QString inner = text.trimmed();
    if (inner.startsWith(QLatin1Char('[')) && inner.endsWith(QLatin1Char(']')))
        inner = inner.mid(1).chopped(1);
    if (!inner.contains(QLatin1Char(':'))) return false;
    in6_addr parsed{};
    if (inet_pton(AF_INET6, inner.toLatin1().constData(), &parsed) != 1) return false;
    *address = v6(parsed.s6_addr);
    return true;
}

uint32_t NetAddress::v4Address() const {
    if (family != Family::V4) return 0;
    uint32_t address = 0;
    std::memcpy(&address, bytes.data(), 4);
    return address;
}

QString NetAddress::text() const {
    char buffer[INET6_ADDRSTRLEN] = {};
    switch (family) {
    case Family::V4:
        inet_ntop(AF_INET, bytes.data(), buffer, sizeof buffer);
        break;
    case Family::V6:
        inet_ntop(AF_INET6, bytes.data(), buffer, sizeof buffer);
        break;
    case Family::None:
        break;
    }
    return QString::fromLatin1(buffer);
}

QString NetAddress::textWithPort(uint16_t port) const {
    const QString number = QString::number(port);
    return family == Family::V6 ? u'[' + text() + QStringLiteral("]:") + number : text() + u':' + number;
}

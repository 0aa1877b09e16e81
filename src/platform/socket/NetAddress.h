#pragma once
// One IPv4 or IPv6 address as the socket layer takes it (network byte order),
// and its readable text: "127.0.0.1", "::1"; with a port "127.0.0.1:25",
// "[::1]:25".
#include <QString>

#include <array>
#include <cstdint>

struct NetAddress {
    enum class Family : uint8_t { None, V4, V6 };
    Family family = Family::None;
    std::array<uint8_t, 16> bytes{}; // V4: the first 4

    static NetAddress v4(uint32_t addressNetworkOrder);
    static NetAddress v6(const uint8_t* sixteenBytes);
    // A numeric address: a dotted IPv4 text as parseDotted reads it, or an IPv6
    // text, bare ("::1") or in brackets ("[::1]"). False for anything else.
    static bool parse(const QString& text, NetAddress* address);
    // A dotted IPv4 text ("127.0.0.1") as an address in network order; false
    // when it is not one (at most 127 characters are looked at; the all-ones
    // address is refused, as the platform's inet_addr does).
    static bool parseDotted(const QString& text, uint32_t* addressNetworkOrder);

    bool isNull() const { return family == Family::None; }
    // The IPv4 address in network order; 0 for any other family.
    uint32_t v4Address() const;
    QString text() const;
    // port in host byte order
    QString textWithPort(uint16_t port) const;

    bool operator==(const NetAddress&) const = default;
};

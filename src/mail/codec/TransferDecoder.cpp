// Streaming transfer decoding of received message parts.
#include "mail/codec/TransferDecoder.h"

#include "mail/codec/Charsets.h"

#include <array>

namespace {

constexpr std::array<signed char, 256> MakeBase64Values() {
    std::array<signed char, 256> values{};
    for (auto& v : values)
        v = -1;
    constexpr char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(table[i])] = static_cast<signed char>(i);
    return values;
}
constexpr std::array<signed char, 256> kBase64Values = MakeBase64Values();

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int UUValue(char c) {
    return (static_cast<unsigned char>(c) - 32) & 63;
}

} // namespace

TransferDecoder::Kind TransferDecoder::KindOf(const QString& encoding) {
    const QString e = encoding.trimmed().toLower();
    if (e.startsWith(QLatin1String("base64"))) return Kind::Base64;
    if (e.startsWith(QLatin1String("quoted-printable"))) return Kind::QuotedPrintable;
    if (e == QLatin1String("x-uuencode") || e == QLatin1String("uuencode") || e == QLatin1String("x-uue"))
        return Kind::UU;
    return Kind::Identity;
}

void TransferDecoder::line(QByteArrayView text, QByteArray& out) {
    switch (m_kind) {
    case Kind::Identity:
        if (m_lineEndOwed) out.append("\r\n");
        out.append(text);
        m_lineEndOwed = true;
        return;
    case Kind::QuotedPrintable: {
        if (m_lineEndOwed) out.append("\r\n");
        qsizetype end = text.size(); // blanks a transport added at the line end are not data
        while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t'))
            --end;
        const bool soft = end > 0 && text[end - 1] == '=';
        if (soft) --end;
        for (qsizetype i = 0; i < end; ++i) {
            const int high = text[i] == '=' && i + 2 < end ? HexValue(text[i + 1]) : -1;
            const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
            if (low < 0) {
                out.append(text[i]); // a "=" that starts no valid sequence stays
                continue;
            }
            out.append(char(high * 16 + low));
            i += 2;
        }
        m_lineEndOwed = !soft;
        return;
    }
    case Kind::Base64:
        base64(text, out);
        return;
    case Kind::UU:
        uu(text, out);
        return;
    }
}

void TransferDecoder::finish(QByteArray& out, bool keepLastLineEnd) {
    if (m_lineEndOwed && keepLastLineEnd) out.append("\r\n");
    m_lineEndOwed = false;
    if (m_kind == Kind::Base64 && !m_done && m_quadCount >= 2) { // an unpadded last group
        out.append(char(m_quad[0] << 2 | m_quad[1] >> 4));
        if (m_quadCount == 3) out.append(char((m_quad[1] << 4 | m_quad[2] >> 2) & 0xFF));
    }
    m_quadCount = 0;
}

void TransferDecoder::base64(QByteArrayView text, QByteArray& out) {
    for (char c : text) {
        if (m_done) return;
        if (c == '=') {
            // Padding ends the data: what the group holds is written.
            if (m_quadCount >= 2) out.append(char(m_quad[0] << 2 | m_quad[1] >> 4));
            if (m_quadCount == 3) out.append(char((m_quad[1] << 4 | m_quad[2] >> 2) & 0xFF));
            m_done = m_quadCount >= 2;
            m_quadCount = 0;
            continue;
        }
        const int v = kBase64Values[static_cast<unsigned char>(c)];
        if (v < 0) continue; // outside the alphabet: skipped
        m_quad[m_quadCount++] = v;
        if (m_quadCount == 4) {
            const char bytes[3] = {char(m_quad[0] << 2 | m_quad[1] >> 4),
                                   char((m_quad[1] << 4 | m_quad[2] >> 2) & 0xFF),
                                   char((m_quad[2] << 6 | m_quad[3]) & 0xFF)};
            out.append(bytes, 3);
            m_quadCount = 0;
        }
    }
}

void TransferDecoder::uu(QByteArrayView text, QByteArray& out) {
    if (m_done || text.isEmpty()) return;
    if (text.startsWith("begin ")) return;
    if (text.trimmed() == "end") {
        m_done = true;
        return;
    }
    const int count = UUValue(text[0]);
    // A line shorter than its count asks for reads the missing characters as zero.
    auto at = [&](qsizetype i) { return i < text.size() ? UUValue(text[i]) : 0; };
    int written = 0;
    for (qsizetype i = 1; written < count; i += 4) {
        const int c1 = at(i), c2 = at(i + 1), c3 = at(i + 2), c4 = at(i + 3);
        const char bytes[3] = {char((c1 << 2 | c2 >> 4) & 0xFF), char((c2 << 4 | c3 >> 2) & 0xFF),
                               char((c3 << 6 | c4) & 0xFF)};
        const int n = qMin(3, count - written);
        out.append(bytes, n);
        written += n;
    }
}

void TextLineSplitter::emitLine(QByteArrayView bytes) {
    if (bytes.endsWith('\r')) bytes.chop(1);
    m_line(DecodeCharset(bytes.toByteArray(), m_charset));
}

void TextLineSplitter::bytes(QByteArrayView data) {
    while (!data.isEmpty()) {
        const qsizetype lf = data.indexOf('\n');
        if (lf < 0) {
            m_pending.append(data);
            while (m_pending.size() >= kMaxLine) {
                emitLine(QByteArrayView(m_pending).first(kMaxLine));
                m_pending.remove(0, kMaxLine);
            }
            return;
        }
        if (m_pending.isEmpty()) {
            emitLine(data.first(lf));
        } else {
            m_pending.append(data.first(lf));
            emitLine(m_pending);
            m_pending.clear();
        }
        data = data.sliced(lf + 1);
    }
}

void TextLineSplitter::finish() {
    if (!m_pending.isEmpty()) emitLine(m_pending);
    m_pending.clear();
}

// Decoding direction of TUUProcessor: base64 and UU lines back into bytes.
#include "mail/codec/UUProcessor.h"

#include <QBuffer>

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

constexpr std::array<signed char, 256> MakeBase64Values() {
    std::array<signed char, 256> values{};
    for (auto& v : values)
        v = -1;
    const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(table[i])] = static_cast<signed char>(i);
    return values;
}
constexpr std::array<signed char, 256> kBase64Values = MakeBase64Values();

int Base64Value(char c) {
    return kBase64Values[static_cast<unsigned char>(c)];
}

int UUValue(char c) {
    return (static_cast<unsigned char>(c) - 32) & 63;
}

// Reads the input one line at a time, without the LF and the CR before it.
// A line has no length limit, so a long line is never read twice or cut. The
// input is read in large blocks into one reused buffer, and each line is a view
// into it (valid until the next call): no copy and no allocation per line.
class LineReader {
public:
    explicit LineReader(QIODevice& device) : m_device(device), m_buffer(kBlock) {}
    bool Next(QByteArrayView& line) {
        for (;;) {
            const char* start = m_buffer.data() + m_pos;
            const auto* lf = static_cast<const char*>(std::memchr(start, '\n', size_t(m_end - m_pos)));
            if (lf) {
                line = QByteArrayView(start, lf - start);
                m_pos += lf - start + 1;
                break;
            }
            if (m_eof) {
                if (m_pos >= m_end) return false;
                line = QByteArrayView(start, m_end - m_pos);
                m_pos = m_end;
                break;
            }
            Refill();
        }
        if (line.endsWith('\r')) line.chop(1);
        return true;
    }

private:
    // Keeps the unfinished line at the front and reads behind it; the buffer
    // grows only for a line longer than itself.
    void Refill() {
        const qsizetype left = m_end - m_pos;
        std::memmove(m_buffer.data(), m_buffer.data() + m_pos, size_t(left));
        m_pos = 0;
        m_end = left;
        if (m_buffer.size() - m_end < kBlock / 2) m_buffer.resize(m_buffer.size() * 2);
        const qint64 n = m_device.read(m_buffer.data() + m_end, qint64(m_buffer.size()) - m_end);
        if (n <= 0)
            m_eof = true;
        else
            m_end += n;
    }

    static constexpr qsizetype kBlock = 1 << 16;
    QIODevice& m_device;
    std::vector<char> m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    bool m_eof = false;
};

// Collects decoded bytes and hands them to the output in large writes.
class ByteSink {
public:
    static constexpr qsizetype kCapacity = 1 << 16;

    explicit ByteSink(QIODevice& device) : m_device(device) {}
    void Put(int byte) {
        m_buffer[m_count++] = static_cast<char>(byte & 0xFF);
        if (m_count == kCapacity) Flush();
    }
    // Room for `count` (at most kCapacity) bytes written in place, then kept with Commit.
    char* Room(qsizetype count) {
        if (kCapacity - m_count < count) Flush();
        return m_buffer.data() + m_count;
    }
    void Commit(qsizetype count) {
        m_count += count;
        if (m_count == kCapacity) Flush();
    }
    void Flush() {
        if (m_count == 0) return;
        if (m_device.write(m_buffer.data(), m_count) != m_count)
            throw std::runtime_error("Stream write error");
        m_count = 0;
    }

private:
    QIODevice& m_device;
    std::array<char, kCapacity> m_buffer{};
    qsizetype m_count = 0;
};

// Decodes whole groups of four alphabet characters from p[pos] on, straight
// into the sink, and stops before the first group holding anything else (or at
// the last whole group of the line). The tolerant loop then takes over there;
// for four alphabet characters it would write exactly these three bytes.
qsizetype DecodeWholeGroups(const char* p, qsizetype pos, qsizetype size, ByteSink& sink) {
    while (size - pos >= 4) {
        const qsizetype groups = std::min<qsizetype>((size - pos) / 4, ByteSink::kCapacity / 3);
        char* const out = sink.Room(groups * 3);
        char* o = out;
        const auto* s = reinterpret_cast<const unsigned char*>(p + pos);
        const unsigned char* const end = s + groups * 4;
        for (; s < end; s += 4, o += 3) {
            const int a = kBase64Values[s[0]], b = kBase64Values[s[1]], c = kBase64Values[s[2]],
                      d = kBase64Values[s[3]];
            if ((a | b | c | d) < 0) break; // one of them is outside the alphabet
            const uint32_t bits = uint32_t(a) << 18 | uint32_t(b) << 12 | uint32_t(c) << 6 | uint32_t(d);
            o[0] = char(bits >> 16);
            o[1] = char(bits >> 8);
            o[2] = char(bits);
        }
        sink.Commit(o - out);
        pos = reinterpret_cast<const char*>(s) - p;
        if (s < end) break;
    }
    return pos;
}

} // namespace

void TUUProcessor::Decode() {
    if (!InputStream || !OutputStream) throw std::runtime_error("No stream to decode");
    if (OnBeginDecode) OnBeginDecode(this);
    if (Method == emUU)
        DecodeUU();
    else
        DecodeBase64();
    if (OnEndDecode) OnEndDecode(this);
}

void TUUProcessor::DecodeBase64() {
    LineReader reader(*InputStream);
    ByteSink sink(*OutputStream);
    QByteArrayView line;
    bool last = false;
    while (!last && reader.Next(line)) {
        if (line.size() < 3 || line.startsWith("====")) continue;
        const qsizetype size = line.size();
        const char* p = line.data();
        qsizetype pos = 0;
        bool stop = false;
        for (; pos < size && Base64Value(p[pos]) < 0; ++pos) {
            if (p[pos] == '=' || p[pos] == '\r' || p[pos] == '\n') {
                stop = true;
                break;
            }
        }
        if (stop) break;
        // Next character that is a code or "=", skipping anything else; -1 at the line end.
        auto next = [&](int& value) {
            while (pos < size && p[pos] != '=' && Base64Value(p[pos]) < 0)
                ++pos;
            if (pos >= size) return false;
            value = p[pos] == '=' ? -2 : Base64Value(p[pos]);
            ++pos;
            return true;
        };
        while (pos < size) {
            if (WholeGroupFastPath) {
                pos = DecodeWholeGroups(p, pos, size, sink);
                if (pos >= size) break;
            }
            // One group the tolerant way (with the fast path, only a group that holds
            // a character outside the alphabet or is cut short).
            int a = 0, b = 0, c = 0, d = 0;
            if (!next(a)) break;
            if (a == -2) {
                last = true;
                continue;
            }
            if (!next(b)) break;
            if (b == -2) {
                last = true;
                continue;
            }
            sink.Put(a * 4 + b / 16);
            if (!next(c)) break;
            if (c == -2) {
                last = true;
                continue;
            }
            sink.Put(b * 16 + c / 4);
            if (!next(d)) break;
            if (d == -2) {
                last = true;
                continue;
            }
            sink.Put(c * 64 + d);
        }
    }
    sink.Flush();
}

void TUUProcessor::DecodeUU() {
    LineReader reader(*InputStream);
    ByteSink sink(*OutputStream);
    QByteArrayView line;
    while (reader.Next(line)) {
        if (line.size() < 3) continue;
        // The frame lines of a uuencoded file are not data.
        if (line.startsWith("begin ") || line == "end") continue;
        int remaining = UUValue(line[0]);
        // Characters missing from a short line count as 0.
        auto value = [&line](qsizetype i) { return i < line.size() ? UUValue(line[i]) : 0; };
        for (qsizetype pos = 1; remaining > 0; pos += 4) {
            const int c1 = value(pos), c2 = value(pos + 1), c3 = value(pos + 2), c4 = value(pos + 3);
            sink.Put(c1 * 4 + c2 / 16);
            if (remaining > 1) sink.Put(c2 * 16 + c3 / 4);
            if (remaining > 2) sink.Put(c3 * 64 + c4);
            remaining -= 3;
        }
    }
    sink.Flush();
}

QByteArray TUUProcessor::DecodeBytes(const QByteArray& lines, TEncodeMethod method) {
    return RunInMemory(lines, method, false, lines.size() * 3 / 4);
}

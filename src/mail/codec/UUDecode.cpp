// Decoding direction of TUUProcessor: base64 and UU lines back into bytes.
#include "mail/codec/UUProcessor.h"

#include <QBuffer>

#include <array>
#include <stdexcept>

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
// input is read in large blocks: a device without its own buffering would
// otherwise be read a byte at a time.
class LineReader {
public:
    explicit LineReader(QIODevice& device) : m_device(device) {}
    bool Next(QByteArray& line) {
        for (;;) {
            const qsizetype lf = m_buffer.indexOf('\n', m_pos);
            if (lf >= 0) {
                line = m_buffer.mid(m_pos, lf - m_pos);
                m_pos = lf + 1;
                break;
            }
            if (m_eof) {
                if (m_pos >= m_buffer.size()) return false;
                line = m_buffer.mid(m_pos);
                m_pos = m_buffer.size();
                break;
            }
            m_buffer.remove(0, m_pos);
            m_pos = 0;
            const QByteArray more = m_device.read(kBlock);
            if (more.isEmpty()) m_eof = true;
            else m_buffer += more;
        }
        if (line.endsWith('\r')) line.chop(1);
        return true;
    }

private:
    static constexpr qint64 kBlock = 1 << 16;
    QIODevice& m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_eof = false;
};

// Collects decoded bytes and hands them to the output in large writes.
class ByteSink {
public:
    explicit ByteSink(QIODevice& device) : m_device(device) {}
    void Put(int byte) {
        m_buffer[m_count++] = static_cast<char>(byte & 0xFF);
        if (m_count == kFlushAt) Flush();
    }
    void Flush() {
        if (m_count == 0) return;
        if (m_device.write(m_buffer.data(), m_count) != m_count) throw std::runtime_error("Stream write error");
        m_count = 0;
    }

private:
    static constexpr qsizetype kFlushAt = 1 << 16;
    QIODevice& m_device;
    std::array<char, kFlushAt> m_buffer{};
    qsizetype m_count = 0;
};

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
    QByteArray line;
    bool last = false;
    while (!last && reader.Next(line)) {
        if (line.size() < 3 || line.startsWith("====")) continue;
        const qsizetype size = line.size();
        const char* p = line.constData(); // read-only access: no copy-on-write check per character
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
    QByteArray line;
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

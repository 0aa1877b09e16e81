#include "mailproto/MailCodec.h"

#include <array>

QString NthField(const QString& text, QChar delimiter, int n) {
    int field = 1;
    QString out;
    for (QChar c : text) {
        if (c == delimiter) {
            if (field == n) return out;
            ++field;
            continue;
        }
        if (field == n) out += c;
    }
    return field == n ? out : QString();
}

QString ExtractAddress(const QString& entry) {
    if (entry.contains(QLatin1Char('<'))) return NthField(NthField(entry, QLatin1Char('<'), 2), QLatin1Char('>'), 1);
    if (!entry.contains(QLatin1Char(':'))) return entry;
    return NthField(entry, QLatin1Char(':'), 2);
}

QString SinSaltos(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return out;
}

int THeaderList::IndexOfName(const QString& name) const {
    for (int i = 0; i < size(); ++i) {
        const QString& line = at(i);
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon >= 0 && QStringView(line).left(colon).compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

QString THeaderList::Value(const QString& name) const {
    const int i = IndexOfName(name);
    return i < 0 ? QString() : at(i).mid(at(i).indexOf(QLatin1Char(':')) + 1).trimmed();
}

void THeaderList::SetValue(const QString& name, const QString& value) {
    const int i = IndexOfName(name);
    if (value.isEmpty()) {
        if (i >= 0) removeAt(i);
        return;
    }
    const QString line = name + QStringLiteral(": ") + SinSaltos(value);
    if (i >= 0) (*this)[i] = line;
    else append(line);
}

namespace TUUProcessor {

namespace {
const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
char uuChar(int v) { return v == 0 ? '`' : static_cast<char>(32 + v); }

std::array<int, 256> base64Values() {
    std::array<int, 256> t{};
    t.fill(-1);
    for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(kBase64[i])] = i;
    return t;
}
} // namespace

QByteArray Encode(const QByteArray& data, TEncodeMethod method) {
    QByteArray out;
    out.reserve(data.size() * 4 / 3 + data.size() / 45 * 3 + 8);
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype n = data.size();
    for (qsizetype start = 0; start < n; start += 45) {
        const qsizetype len = std::min<qsizetype>(45, n - start);
        if (method == TEncodeMethod::emUU) out += uuChar(static_cast<int>(len));
        auto put = [&](int v) { out += method == TEncodeMethod::emBase64 ? kBase64[v] : uuChar(v); };
        qsizetype i = start;
        for (; i + 3 <= start + len; i += 3) {
            const uint32_t v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
            put((v >> 18) & 63);
            put((v >> 12) & 63);
            put((v >> 6) & 63);
            put(v & 63);
        }
        const qsizetype rest = start + len - i;
        if (rest == 1) {
            put(p[i] >> 2);
            put((p[i] & 3) << 4);
            if (method == TEncodeMethod::emBase64) out += "==";
        } else if (rest == 2) {
            put(p[i] >> 2);
            put(((p[i] & 3) << 4) | (p[i + 1] >> 4));
            put((p[i + 1] & 15) << 2);
            if (method == TEncodeMethod::emBase64) out += '=';
        }
        out += "\r\n";
    }
    if (method == TEncodeMethod::emUU) out += "`\r\n";
    return out;
}

QByteArray Decode(const QByteArray& text, TEncodeMethod method) {
    static const std::array<int, 256> b64 = base64Values();
    QByteArray out;
    out.reserve(text.size() * 3 / 4);
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype lf = text.indexOf('\n', pos);
        qsizetype end = lf < 0 ? text.size() : lf;
        QByteArrayView line(text.constData() + pos, end - pos);
        if (line.endsWith('\r')) line.chop(1);
        pos = lf < 0 ? text.size() : lf + 1;
        if (line.size() < 3) continue;
        if (method == TEncodeMethod::emBase64) {
            if (line.startsWith("====")) continue;
            int group[4];
            int have = 0;
            bool last = false;
            for (char ch : line) {
                if (ch == '=') {
                    if (have >= 2) {
                        last = true;
                        break;
                    }
                    continue;
                }
                const int v = b64[static_cast<unsigned char>(ch)];
                if (v < 0) continue;
                group[have++] = v;
                if (have == 4) {
                    out += static_cast<char>((group[0] << 2) | (group[1] >> 4));
                    out += static_cast<char>(((group[1] & 15) << 4) | (group[2] >> 2));
                    out += static_cast<char>(((group[2] & 3) << 6) | group[3]);
                    have = 0;
                }
            }
            if (have >= 2) out += static_cast<char>((group[0] << 2) | (group[1] >> 4));
            if (have == 3) out += static_cast<char>(((group[1] & 15) << 4) | (group[2] >> 2));
            if (last) break;
        } else {
            auto val = [&](qsizetype i) { return i < line.size() ? (static_cast<unsigned char>(line[i]) - 32) & 63 : 0; };
            int count = val(0);
            for (qsizetype i = 1; count > 0; i += 4) {
                const int c1 = val(i), c2 = val(i + 1), c3 = val(i + 2), c4 = val(i + 3);
                out += static_cast<char>((c1 << 2) | (c2 >> 4));
                if (--count == 0) break;
                out += static_cast<char>(((c2 & 15) << 4) | (c3 >> 2));
                if (--count == 0) break;
                out += static_cast<char>(((c3 & 3) << 6) | c4);
                --count;
            }
        }
    }
    return out;
}

} // namespace TUUProcessor

// One listing line per record: fields as "Name=value", then the sound, the
// description and the text, tab separated. Texts are the stored Windows-1252
// bytes in UTF-8, control characters (C0, DEL, C1: what would move the cursor,
// retitle or clear the terminal) written as \uXXXX as the JSON output writes
// them, and the text's CR LF line breaks as "\n".
#include "tools/ReminderListing.h"

#include "core/Binary.h"
#include "core/Cp1252.h"
#include "core/DateTimeValue.h"
#include "store/RegistroAviso.h"

#include <array>
#include <charconv>
#include <cstring>

namespace O = OffsetsAviso;

namespace {

// What one stored byte becomes in the listing: its character in UTF-8, or a
// \uXXXX escape; the decoding is the code page's own.
struct ByteTexts {
    std::array<std::array<char, 6>, 256> text{};
    std::array<uint8_t, 256> size{};

    ByteTexts() {
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            const char16_t u = Cp1252::decode(&byte, 1).at(0).unicode();
            char* out = text[b].data();
            if (u < 0x20 || (u >= 0x7f && u <= 0x9f)) {
                static const char kHex[] = "0123456789abcdef";
                std::memcpy(out, "\\u00", 4);
                out[4] = kHex[u >> 4];
                out[5] = kHex[u & 0xf];
                size[b] = 6;
            } else if (u < 0x80) {
                out[0] = static_cast<char>(u);
                size[b] = 1;
            } else if (u < 0x800) {
                out[0] = static_cast<char>(0xc0 | (u >> 6));
                out[1] = static_cast<char>(0x80 | (u & 0x3f));
                size[b] = 2;
            } else {
                out[0] = static_cast<char>(0xe0 | (u >> 12));
                out[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3f));
                out[2] = static_cast<char>(0x80 | (u & 0x3f));
                size[b] = 3;
            }
        }
    }
};

const ByteTexts& byteTexts() {
    static const ByteTexts texts;
    return texts;
}

// Room enough for the longest line: every text byte escaped, every recipient
// slot "255,", the fields and their names.
constexpr qsizetype kLongestLine = (30 + 255 + 255) * 6 + 255 * 4 + 512;
constexpr qsizetype kPiece = 1 << 20;

template <size_t N> char* put(char* out, const char (&text)[N]) {
    std::memcpy(out, text, N - 1);
    return out + N - 1;
}

char* putNumber(char* out, unsigned value) {
    return std::to_chars(out, out + 12, value).ptr;
}

char* putDigits(char* out, int value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10)
        out[i] = static_cast<char>('0' + value % 10);
    return out + width;
}

template <size_t N> char* putFlag(char* out, const char (&name)[N], char byte) {
    out = put(out, name);
    *out++ = byte != 0 ? '1' : '0';
    return out;
}

// HH:mm:ss as QTime writes it.
char* putTime(char* out, double stored) {
    const int seconds = DateTimeValue::msecsOfDay(stored) / 1000;
    out = putDigits(out, seconds / 3600, 2);
    *out++ = ':';
    out = putDigits(out, seconds / 60 % 60, 2);
    *out++ = ':';
    return putDigits(out, seconds % 60, 2);
}

// A short string of `capacity` bytes at most; with `lineBreaks`, each CR LF
// is written as "\n".
char* putText(char* out, const char* field, int capacity, bool lineBreaks) {
    const ByteTexts& texts = byteTexts();
    const int size = std::min<int>(static_cast<uint8_t>(field[0]), capacity);
    const auto* bytes = reinterpret_cast<const uint8_t*>(field + 1);
    for (int i = 0; i < size; ++i) {
        const uint8_t b = bytes[i];
        if (b >= 0x20 && b < 0x7f) {
            *out++ = static_cast<char>(b);
            continue;
        }
        if (lineBreaks && b == '\r' && i + 1 < size && bytes[i + 1] == '\n') {
            out = put(out, "\\n");
            ++i;
            continue;
        }
        std::memcpy(out, texts.text[b].data(), 6);
        out += texts.size[b];
    }
    return out;
}

// yyyy-MM-dd as QDate writes it (at most 11 characters for a stored day).
// Years 1..9999 are counted here (the
// proleptic Gregorian calendar, as QDate's); others, which QDate writes with
// a sign or more digits, are left to it.
char* civilDate(char* out, qint64 days) {
    // Days after 1 March of year 0 (a year starting in March puts the leap
    // day last), in 400-year eras of 146097 days.
    const qint64 z = days + 693899;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 dayOfEra = z - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 mp = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const qint64 year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1 || year > 9999) {
        const QByteArray text =
            DateTimeValue::epoch().addDays(days).toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
        std::memcpy(out, text.constData(), size_t(text.size()));
        return out + text.size();
    }
    out = putDigits(out, static_cast<int>(year), 4);
    *out++ = '-';
    out = putDigits(out, month, 2);
    *out++ = '-';
    return putDigits(out, day, 2);
}

} // namespace

ReminderListing::ReminderListing(std::FILE* out) : m_out(out) {
    m_buffer.resize(kPiece + kLongestLine);
    m_end = m_buffer.data();
}

ReminderListing::~ReminderListing() {
    flush();
}

char* ReminderListing::putDate(char* out, double stored, DateText& last) {
    const qint64 days = DateTimeValue::dayNumber(stored);
    if (days != last.day) {
        last.day = days;
        last.size = int(civilDate(last.text, days) - last.text);
    }
    std::memcpy(out, last.text, sizeof last.text);
    return out + last.size;
}

void ReminderListing::add(const char* p) {
    char* out = m_end;
    out = putNumber(out, Binary::getU16(p + O::Numero));
    out = put(out, "\tEstado=");
    out = putNumber(out, Binary::getU16(p + O::Estado));
    out = putFlag(out, " Activo=", p[O::Activo]);
    out = putFlag(out, " Terminado=", p[O::Terminado]);
    out = put(out, " Repetir=");
    out = putNumber(out, static_cast<uint8_t>(p[O::Repetir]));
    out = put(out, " FechaProx=");
    out = putDate(out, Binary::getF64(p + O::FechaProx), m_next);
    out = put(out, " HoraProx=");
    out = putTime(out, Binary::getF64(p + O::HoraProx));
    out = putFlag(out, " Caduca=", p[O::Caduca]);
    out = putFlag(out, " BorrarAlCaducar=", p[O::BorrarAlCaducar]);
    out = put(out, " FechaUlt=");
    out = putDate(out, Binary::getF64(p + O::FechaUlt), m_last);
    out = putFlag(out, " PorEmail=", p[O::PorEmail]);
    out = put(out, " Destinatarios=[");
    const char* first = out;
    static constexpr char kNone[255] = {};
    const bool none = std::memcmp(p + O::Destinatarios, kNone, sizeof kNone) == 0;
    for (int i = 0; i < 255 && !none; ++i) {
        const auto b = static_cast<uint8_t>(p[O::Destinatarios + i]);
        if (b == 0) continue;
        if (out != first) *out++ = ',';
        out = putNumber(out, b);
    }
    out = put(out, "] Sonido=\"");
    out = putText(out, p + O::Sonido, 255, false);
    out = put(out, "\"\t");
    out = putText(out, p + O::Descripcion, 30, false);
    *out++ = '\t';
    out = putText(out, p + O::Texto, 255, true);
    *out++ = '\n';
    m_end = out;
    if (m_end - m_buffer.constData() >= kPiece) flush();
}

void ReminderListing::flush() {
    const size_t size = size_t(m_end - m_buffer.constData());
    if (size > 0) std::fwrite(m_buffer.constData(), 1, size, m_out);
    std::fflush(m_out);
    m_end = m_buffer.data();
}

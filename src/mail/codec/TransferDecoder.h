#pragma once
// Content-Transfer-Encoding undone line by line, so a part of any size is
// decoded with a buffer of one line; and decoded text cut back into lines.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

class TransferDecoder {
public:
    enum class Kind { Identity, QuotedPrintable, Base64, UU };
    // "base64", "quoted-printable", "x-uuencode"/"uuencode"/"x-uue" in any case;
    // anything else (7bit, 8bit, binary, none, unknown) is taken byte for byte.
    static Kind KindOf(const QString& encoding);

    explicit TransferDecoder(Kind kind) : m_kind(kind) {}
    // One received line without its line end; its decoded bytes are appended to out.
    void line(QByteArrayView text, QByteArray& out);
    // The part has ended. The line end after the last line belongs to the
    // delimiter that follows a part; keepLastLineEnd keeps it (a part that ran
    // to the end of its message).
    void finish(QByteArray& out, bool keepLastLineEnd);

private:
    void base64(QByteArrayView text, QByteArray& out);
    void uu(QByteArrayView text, QByteArray& out);

    Kind m_kind;
    bool m_lineEndOwed = false; // a hard line end not written yet (it may be the delimiter's)
    bool m_done = false;        // base64 padding or the UU "end" line was met
    int m_quad[4] = {};
    int m_quadCount = 0;
};

// Decoded text bytes cut into lines (LF or CR LF), each decoded in the part's
// character set and handed to `line`. A line longer than kMaxLine bytes is
// handed on in pieces of that size, so a body without line breaks costs no more.
class TextLineSplitter {
public:
    static constexpr qsizetype kMaxLine = 4 * 1024 * 1024;
    TextLineSplitter(QString charset, std::function<void(const QString&)> line)
        : m_charset(std::move(charset)), m_line(std::move(line)) {}
    void bytes(QByteArrayView data);
    // Hands on the last line when it did not end in a line break.
    void finish();

private:
    void emitLine(QByteArrayView bytes);
    QString m_charset;
    std::function<void(const QString&)> m_line;
    QByteArray m_pending;
};

#pragma once
// Turns a TPostMessage into header lines and the encoded body bytes sent after them.
#include "mail/codec/HeaderList.h"
#include "mail/codec/UUProcessor.h"
#include "mail/smtp/PostMessage.h"

#include <QByteArray>
#include <QDateTime>
#include <QTime>

#include <functional>
#include <memory>
#include <vector>

class QFile;

struct TComposeEvents {
    using TFileItem = std::function<void(const QString& fileName)>;
    TFileItem OnEncodeStart;
    TFileItem OnEncodeEnd;
    TFileItem OnAttachmentNotFound;
};

// What the composer needs to know beyond the message.
struct TComposeOptions {
    QDateTime now; // the Date header (unless the message carries an RFC 5322 date), Message-ID, boundary
    bool eightBitMime = false; // the server offered 8BITMIME: 8-bit text may go as it is
};

// How the text goes out: its character set and its transfer encoding (empty for 7bit).
struct TTextForm {
    QString charset = QStringLiteral("us-ascii");
    QString transferEncoding;
};
// ASCII text goes as us-ascii; other text is Windows-1252 (the code page of the
// queue files), sent as 8bit when the server takes it, else quoted-printable.
// Lines over 998 bytes or control characters always take quoted-printable.
TTextForm ChooseTextForm(const QByteArray& text, bool eightBitMime);

// "====================54535" + hh:mm:ss + "====": the same for one second of the day.
QString MakeBoundary(const QTime& time);
// The header lines in their fixed order; values are kept to one line each.
// Display names and a subject outside ASCII are RFC 2047 encoded; Date is the
// message's own when it is an RFC 5322 date, else `now` in that form; a new
// Message-ID follows it. The text's form gives the charset and transfer
// encoding of a single-part message.
THeaderList BuildHeaderLines(const TPostMessage& message, TSubType subType, const QString& boundary,
                             const TTextForm& form, const QDateTime& now);
// The same for ASCII text, now.
THeaderList BuildHeaderLines(const TPostMessage& message, TSubType subType, const QString& boundary);
// Appends text lines with CR LF, a line break inside an entry starting a new
// line, and a leading "." doubled so no line can end the DATA block.
void AppendBodyLines(QByteArray& body, const QStringList& lines);
// Appends one attachment part: its part header, then the encoded file.
// Throws EFileError with the file error when the file cannot be read.
void EncodeAttachmentPart(QByteArray& body, const QString& path, const QString& boundary,
                          TEncodeMethod method, const TComposeEvents& events);
// A message's body made a piece at a time, so that it can go out while it
// is being made: the text and each part's header at once, an attachment's
// encoded lines a slice at a time (the same bytes EncodeAttachmentPart
// writes). Every attachment is opened at the start: one that cannot be is
// told (OnAttachmentNotFound) and thrown (EFileError) before anything is
// composed. The body's room is reserved at the start, so it rarely moves.
class TBodyComposer {
public:
    TBodyComposer(const TPostMessage& message, TEncodeMethod method, const QString& boundary,
                  const TTextForm& form, const TComposeEvents& events, QByteArray& body);
    ~TBodyComposer();
    TBodyComposer(const TBodyComposer&) = delete;
    TBodyComposer& operator=(const TBodyComposer&) = delete;
    // Appends the next piece to the body; false (nothing appended) once it is
    // whole. Throws std::runtime_error when an attachment cannot be read.
    bool Next();

private:
    TEncodeMethod m_method;
    QString m_boundary;
    TComposeEvents m_events;
    QByteArray& m_body;
    bool m_multipart;
    std::vector<std::unique_ptr<QFile>> m_files; // one open file per attachment
    qsizetype m_next = 0;                        // the part being encoded
    bool m_started = false;                      // its header is in the body
    bool m_done = false;
    QByteArray m_input;
};

// Header lines and body of the whole message (multipart when there are attachments).
void ComposeMessage(const TPostMessage& message, TSubType subType, TEncodeMethod method,
                    const TComposeOptions& options, const TComposeEvents& events, THeaderList& header,
                    QByteArray& body, QString& boundary);
// ComposeMessage's header lines and boundary, and its body as far as it is
// made at once; the composer returned makes the rest.
std::unique_ptr<TBodyComposer> StartMessage(const TPostMessage& message, TSubType subType,
                                            TEncodeMethod method, const TComposeOptions& options,
                                            const TComposeEvents& events, THeaderList& header,
                                            QByteArray& body, QString& boundary);
// The same for a server without 8BITMIME, at `now` of today.
void ComposeMessage(const TPostMessage& message, TSubType subType, TEncodeMethod method, const QTime& now,
                    const TComposeEvents& events, THeaderList& header, QByteArray& body, QString& boundary);

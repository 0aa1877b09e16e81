#pragma once
// Turns a TPostMessage into header lines and the encoded body bytes sent after them.
#include "mail/codec/HeaderList.h"
#include "mail/codec/UUProcessor.h"
#include "mail/smtp/PostMessage.h"

#include <QByteArray>
#include <QTime>

#include <functional>

struct TComposeEvents {
    using TFileItem = std::function<void(const QString& fileName)>;
    TFileItem OnEncodeStart;
    TFileItem OnEncodeEnd;
    TFileItem OnAttachmentNotFound;
};

// "====================54535" + hh:mm:ss + "====": the same for one second of the day.
QString MakeBoundary(const QTime& time);
// The header lines in their fixed order; values are kept to one line each.
THeaderList BuildHeaderLines(const TPostMessage& message, TSubType subType, const QString& boundary);
// Appends text lines with CR LF, a line break inside an entry starting a new
// line, and a leading "." doubled so no line can end the DATA block.
void AppendBodyLines(QByteArray& body, const QStringList& lines);
// Appends one attachment part: its part header, then the encoded file.
// Throws std::runtime_error with the file error when the file cannot be read.
void EncodeAttachmentPart(QByteArray& body, const QString& path, const QString& boundary,
                          TEncodeMethod method, const TComposeEvents& events);
// Header lines and body of the whole message (multipart when there are attachments).
void ComposeMessage(const TPostMessage& message, TSubType subType, TEncodeMethod method, const QTime& now,
                    const TComposeEvents& events, THeaderList& header, QByteArray& body, QString& boundary);

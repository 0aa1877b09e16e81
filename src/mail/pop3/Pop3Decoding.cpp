// TPop3Client message reading: the lines of a RETR answer handed to the
// MIME reader, the owner's events kept running while they come.
#include "mail/pop3/Pop3Client.h"

#include "net/SockErrors.h"

#include <QCoreApplication>
#include <QFile>

namespace {
// Lines taken from the receive buffer come without a wait; the owner's
// timers (phase clock, watchdog, Close) still run this often.
constexpr qint64 kEventsEveryMs = 50;
} // namespace

QByteArrayView TPop3Client::ReadMessageLine() {
    if (!m_sinceEvents.isValid() || m_sinceEvents.hasExpired(kEventsEveryMs)) {
        // No view of the buffer is held here: the last line was used up.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        m_sinceEvents.start();
        if (Canceled()) throw EAbortError(QStringLiteral("Socket readln aborted"));
    }
    QByteArrayView line = ReadLnView();
    if (line == ".\r\n" || line == ".\n") {
        m_messageEnded = true;
    } else {
        if (line.startsWith("..")) line = line.sliced(1);
        setBytesRecvd(BytesRecvd() + 1); // counts the message's lines
    }
    return line;
}

void TPop3Client::ReadMessage() {
    m_messageEnded = false;
    MimeReader::Limits limits;
    limits.messageBytes = MaxMessageBytes;
    limits.files = MaxFilesPerMessage;
    limits.attachmentBytes =
        MaxAttachmentBytes < 0 ? -1 : qMax<qint64>(0, MaxAttachmentBytes - m_attachmentBytes);
    MimeReader reader(
        [this, stored = false](bool& end) mutable {
            // Told once the line before was stored: a handler that lets events run ends a view.
            if (stored && OnPacketRecvd) OnPacketRecvd(this);
            const QByteArrayView line = ReadMessageLine();
            end = m_messageEnded;
            stored = true;
            return end ? QByteArrayView() : line;
        },
        AttachFilePath, MailMessage,
        [this](const QString& line) {
            if (OnBodyLine)
                OnBodyLine(line);
            else
                MailMessage.Body.append(line);
        },
        limits, m_nextSuffix);
    reader.read();
    m_attachmentBytes += reader.written();
}

void TPop3Client::DiscardAttachments() {
    for (const QString& name : std::as_const(MailMessage.Attachments))
        QFile::remove(AttachFilePath + name);
    MailMessage.Attachments.clear();
}

void TPop3Client::ReadToMessageEnd() {
    while (!m_messageEnded)
        ReadMessageLine();
}

void TPop3Client::SkipRestOfMessage() {
    if (m_messageEnded || !Connected()) return;
    try {
        if (!Canceled()) {
            ReadToMessageEnd();
            return;
        }
    } catch (...) {
    }
    TSockClient::Disconnect();
    ClearIncomingBuffer();
}

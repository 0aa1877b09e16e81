#pragma once
// The mail client's session events, each as the exact text its log line ends
// with (every one begins with a blank), and the texts for SMTP reply codes.
#include <QString>

namespace mailfiles::LogEvents {

QString smtpServiceRequested();         // " SMTP service requested"
QString popServiceRequested();          // " POP service requested"
QString serversTimeoutSet(int minutes); // " Servers timeout set to 5 min."
QString activeConnectionMissing();
QString connectionsAlreadyEstablished();
QString openConnection(const QString& name); // " <name>"
QString dialing(const QString& entry);
QString dialUpText(const QString& text); // " " + progress or error text
QString connectedTo(const QString& entry);
QString errorConnectingToIsp();
QString noMailToSend();
QString connectingToSmtpHost();
QString connectedToSmtpHost();
QString statusText(const QString& text); // " " + text (SMTP and POP3 status lines)
QString replyText(qint16 code);          // " " + TextoRespuesta(code)
// The same followed by the server's own words: "... - <meaning>: <words>";
// for a code of no known meaning the words take its place:
// " Error 530 - Must issue a STARTTLS command first".
QString replyText(qint16 code, const QString& words);
QString errorSendingMail(const QString& path);
QString mailSent(const QString& path);
QString mailSentDeleteFailed(const QString& path);
QString smtpHostNotFound();
QString smtpAuthenticationFailed();
QString smtpConnectionFailed();
QString smtpTimedOut();
QString disconnectedFromSmtpHost();
QString connectingToPopHost();
QString connectedToPopHost();
QString mailReceived(int m);
QString mailDeletedFromServer(int m);
QString unableToDeleteMail(int m);
QString unableToProcessMail(int m);
QString errorReceivingMail(int m);
QString noMailReceived();
QString popHostNotFound();
QString popAuthenticationFailed();
QString popConnectionFailed();
QString popTimedOut();
QString disconnectedFromPopHost();
QString disconnectedFrom(const QString& entry);
// Beyond the classic texts: input refused before it reaches a server, and
// server answers that end a step early.
QString invalidRecipient(const QString& path);     // " Invalid recipient address (path)"
QString unusableProfileField(const QString& name); // " Profile field not usable: <name>"
QString mailTooLarge(int m, qint64 bytes);         // " Mail too large, left on server (m: bytes bytes)"
QString listRefused();                             // " Error listing mail on server"
QString mailTooManyParts(int m);                   // " Mail has too many parts, left on server (m)"
QString notAQueueFile(const QString& path);        // " Not a regular file, skipped (path)"
// TLS failed (its reason: certificate, host name, protocol) or encryption was
// asked for and not offered: " SMTP secure connection failed: <reason>".
QString smtpSecurityFailed(const QString& reason);
QString popSecurityFailed(const QString& reason);
QString unableToDisconnectFrom(const QString& entry);

} // namespace mailfiles::LogEvents

namespace mailfiles {
// "Error <code> - <meaning>" for the known SMTP reply codes (success codes
// included), "Error <code> - Unknown error" for any other.
QString TextoRespuesta(qint16 code);
} // namespace mailfiles

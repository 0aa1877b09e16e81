#include "mailfiles/LogEvents.h"

namespace mailfiles::LogEvents {

namespace {
QString t(const char* text) {
    return QString::fromLatin1(text);
}
QString inParens(const char* text, const QString& what) {
    return QString::fromLatin1(text) + u'(' + what + u')';
}
} // namespace

QString smtpServiceRequested() {
    return t(" SMTP service requested");
}
QString popServiceRequested() {
    return t(" POP service requested");
}
QString serversTimeoutSet(int minutes) {
    return t(" Servers timeout set to ") + QString::number(minutes) + t(" min.");
}
QString activeConnectionMissing() {
    return t(" Active connection missing");
}
QString connectionsAlreadyEstablished() {
    return t(" Connection/s already established:");
}
QString openConnection(const QString& name) {
    return t(" <") + name + u'>';
}
QString dialing(const QString& entry) {
    return t(" Dialing ") + entry;
}
QString dialUpText(const QString& text) {
    return u' ' + text;
}
QString connectedTo(const QString& entry) {
    return t(" Connected to ") + entry;
}
QString errorConnectingToIsp() {
    return t(" Error connecting to ISP");
}
QString noMailToSend() {
    return t(" No mail to send");
}
QString connectingToSmtpHost() {
    return t(" Connecting to SMTP host");
}
QString connectedToSmtpHost() {
    return t(" Connected to SMTP host");
}
QString statusText(const QString& text) {
    return u' ' + text;
}
QString replyText(qint16 code) {
    return u' ' + TextoRespuesta(code);
}
QString replyText(qint16 code, const QString& words) {
    if (words.isEmpty()) return replyText(code);
    const QString known = TextoRespuesta(code);
    if (known.endsWith(QLatin1String(" - Unknown error")))
        return t(" Error ") + QString::number(code) + t(" - ") + words;
    return u' ' + known + t(": ") + words;
}
QString errorSendingMail(const QString& path) {
    return inParens(" Error sending mail ", path);
}
QString mailSent(const QString& path) {
    return inParens(" Mail sent ", path);
}
// No blank before the parenthesis in this one.
QString mailSentDeleteFailed(const QString& path) {
    return inParens(" Mail sent Ok. Error deleting file", path);
}
QString smtpHostNotFound() {
    return t(" SMTP host not found");
}
QString smtpAuthenticationFailed() {
    return t(" SMTP authentication failed");
}
QString smtpConnectionFailed() {
    return t(" SMTP connection failed");
}
QString smtpTimedOut() {
    return t(" SMTP timed out");
}
QString disconnectedFromSmtpHost() {
    return t(" Disconnected from SMTP host");
}
QString connectingToPopHost() {
    return t(" Connecting to POP host");
}
QString connectedToPopHost() {
    return t(" Connected to POP host");
}
QString mailReceived(int m) {
    return inParens(" Mail received ", QString::number(m));
}
QString mailDeletedFromServer(int m) {
    return inParens(" Mail deleted from server ", QString::number(m));
}
QString unableToDeleteMail(int m) {
    return inParens(" Unable to delete mail from server ", QString::number(m));
}
QString unableToProcessMail(int m) {
    return inParens(" Unable to process mail ", QString::number(m));
}
QString errorReceivingMail(int m) {
    return inParens(" Error receiving mail ", QString::number(m));
}
QString noMailReceived() {
    return t(" No mail received");
}
QString popHostNotFound() {
    return t(" POP host not found");
}
QString popAuthenticationFailed() {
    return t(" POP authentication failed");
}
QString popConnectionFailed() {
    return t(" POP connection failed");
}
QString popTimedOut() {
    return t(" POP timed out");
}
QString disconnectedFromPopHost() {
    return t(" Disconnected from POP host");
}
QString disconnectedFrom(const QString& entry) {
    return t(" Disconnected from ") + entry;
}
QString unableToDisconnectFrom(const QString& entry) {
    return t(" Unable to disconnect from ") + entry;
}

QString invalidRecipient(const QString& path) {
    return inParens(" Invalid recipient address ", path);
}
QString unusableProfileField(const QString& name) {
    return t(" Profile field not usable: ") + name;
}
QString mailTooLarge(int m, qint64 bytes) {
    return inParens(" Mail too large, left on server ",
                    QString::number(m) + t(": ") + QString::number(bytes) + t(" bytes"));
}
QString mailTooManyParts(int m) {
    return inParens(" Mail has too many parts, left on server ", QString::number(m));
}
QString notAQueueFile(const QString& path) {
    return inParens(" Not a regular file, skipped ", path);
}
QString smtpSecurityFailed(const QString& reason) {
    return t(" SMTP secure connection failed: ") + reason;
}
QString popSecurityFailed(const QString& reason) {
    return t(" POP secure connection failed: ") + reason;
}
QString listRefused() {
    return t(" Error listing mail on server");
}

} // namespace mailfiles::LogEvents

namespace mailfiles {

QString TextoRespuesta(qint16 code) {
    struct Entrada {
        int code;
        const char* text;
    };
    static constexpr Entrada tabla[] = {
        {211, "System status or system help reply"},
        {214, "Help message"},
        {220, "Service ready"},
        {221, "Service closing transmission channel"},
        {250, "Requested mail action ok, completed"},
        {251, "User not local"},
        {354, "Start mail input; end with ."},
        {421, "Service not available, closing transmission channel"},
        {450, "Requested mail action not taken: mailbox unavailable"},
        {451, "Requested action aborted: local error in processing"},
        {452, "Requested action not taken: insufficient system storage"},
        {500, "Syntax error, command unrecognized"},
        {501, "Syntax error in parameters or arguments"},
        {502, "Command not implemented"},
        {503, "Bad sequence of commands"},
        {504, "Command parameter not implemented"},
        {550, "Requested action not taken: mailbox unavailable"},
        {551, "User not local"},
        {552, "Requested mail action aborted: exceeded storage allocation"},
        {553, "Requested action not taken: mailbox name not allowed"},
        {554, "Transaction failed"},
    };
    const char* meaning = "Unknown error";
    for (const Entrada& e : tabla)
        if (e.code == code) meaning = e.text;
    return QStringLiteral("Error ") + QString::number(code) + QStringLiteral(" - ") +
           QString::fromLatin1(meaning);
}

} // namespace mailfiles

// Server refusals and their words; the owner's one chance to repair a step.
#include "net/SockErrors.h"

#include "core/Cp1252.h"

#include <QRegularExpression>
#include <QStringList>

int EProtocolError::code() const {
    int value = 0;
    for (char c : m_reply) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > 32767) return 0;
    }
    return value;
}

QString EProtocolError::words() const {
    return ServerWords(m_reply);
}

QString ServerWords(const QByteArray& reply) {
    static const QRegularExpression opening(
        QStringLiteral("^(?:[0-9]{3}[ -]?|\\+OK\\b|-ERR\\b)\\s*(?:[245]\\.[0-9]{1,3}\\.[0-9]{1,3}\\s+)?"));
    constexpr qsizetype kMaxWords = 300;
    QStringList parts;
    qsizetype length = 0;
    for (const QByteArray& raw : reply.left(64 * 1024).split('\n')) {
        QString line = Cp1252::decode(raw).remove(opening);
        QString clean;
        for (QChar c : line)
            if (c.unicode() >= 32 && c.unicode() != 127 && !(c.unicode() >= 0x80 && c.unicode() < 0xA0))
                clean += c;
        clean = clean.trimmed();
        if (clean.isEmpty()) continue;
        parts << clean;
        length += clean.size() + 1;
        if (length > kMaxWords) break;
    }
    return parts.join(QLatin1Char(' ')).left(kMaxWords);
}

TRepair OwnerRepairs(const std::function<bool()>& attempt, const std::function<void(bool& handled)>& ask) {
    if (attempt()) return TRepair::Done;
    bool handled = false;
    if (ask) ask(handled);
    if (!handled) return TRepair::NotRepaired;
    return attempt() ? TRepair::Done : TRepair::FailedAgain;
}

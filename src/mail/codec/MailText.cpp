// Field splitting and recipient-address extraction.
#include "mail/codec/MailText.h"

QString NthField(const QString& text, QChar delimiter, int n) {
    if (n < 1) return {};
    int field = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text.at(i) == delimiter) {
            if (field == n) return text.mid(start, i - start);
            ++field;
            start = i + 1;
        }
    }
    return {};
}

QString ExtractAddress(const QString& entry) {
    if (entry.contains(QLatin1Char('<')))
        return NthField(NthField(entry, QLatin1Char('<'), 2), QLatin1Char('>'), 1);
    if (!entry.contains(QLatin1Char(':'))) return entry;
    return NthField(entry, QLatin1Char(':'), 2);
}

QStringList SplitRecipients(const QString& entry) {
    QStringList result;
    QString current;
    bool quoted = false;
    int angle = 0, comment = 0;
    auto take = [&] {
        const QString one = current.trimmed();
        if (!one.isEmpty()) result << one;
        current.clear();
    };
    for (qsizetype i = 0; i < entry.size(); ++i) {
        const QChar c = entry[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < entry.size()) {
                current += c;
                current += entry[++i];
                continue;
            }
            if (c == QLatin1Char('"')) quoted = false;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char('<')) {
            ++angle;
        } else if (c == QLatin1Char('>') && angle > 0) {
            --angle;
        } else if (c == QLatin1Char('(')) {
            ++comment;
        } else if (c == QLatin1Char(')') && comment > 0) {
            --comment;
        } else if ((c == QLatin1Char(',') || c == QLatin1Char(';')) && angle == 0 && comment == 0) {
            take();
            continue;
        }
        current += c;
    }
    take();
    return result;
}

bool IsPlainAddress(const QString& address) {
    if (address.isEmpty() || address.toUtf8().size() > 254) return false;
    for (QChar c : address) {
        const char16_t u = c.unicode();
        if (u <= 32 || u == 127 || (u >= 0x80 && u < 0xA0) || c == QLatin1Char('<') || c == QLatin1Char('>'))
            return false;
    }
    return true;
}

bool HasLineBreak(const QString& text) {
    for (QChar c : text)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.unicode() == 0) return true;
    return false;
}

QString OneLine(const QString& text) {
    QString result = text;
    for (QChar& c : result)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.unicode() == 0) c = QLatin1Char(' ');
    return result;
}

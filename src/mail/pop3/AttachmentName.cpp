// Attachment file names: plain names only, never over an existing file.
#include "mail/pop3/AttachmentName.h"

#include <QFileInfo>

QString SafeAttachmentName(const QString& name) {
    QString plain;
    plain.reserve(name.size());
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')) {
            plain.clear(); // keep only the last path piece (also drive letters)
            continue;
        }
        if (c.unicode() < 32 || c.unicode() == 127 || c.category() == QChar::Other_Control) continue;
        plain.append(c);
    }
    plain = plain.trimmed();
    while (plain.startsWith(QLatin1Char('.')) || plain.startsWith(QLatin1Char(' ')))
        plain.remove(0, 1);
    while (plain.endsWith(QLatin1Char('.')) || plain.endsWith(QLatin1Char(' ')))
        plain.chop(1);
    if (plain.size() > 200) plain = plain.left(200);
    if (plain.isEmpty()) return QStringLiteral("text.tmp");
    return plain;
}

QString UniqueAttachmentName(const QString& folder, const QString& name) {
    if (!QFileInfo::exists(folder + name)) return name;
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? name : name.left(dot);
    const QString rest = dot < 0 ? QString() : name.mid(dot); // with its dot
    for (int k = 1;; ++k) {
        const QString candidate = base + QLatin1Char('_') + QString::number(k) + rest;
        if (!QFileInfo::exists(folder + candidate)) return candidate;
    }
}

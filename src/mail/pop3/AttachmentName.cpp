// Attachment file names: plain names only, never over an existing file.
#include "mail/pop3/AttachmentName.h"

#include <QFileInfo>

namespace {

// File names are stored as UTF-8; the file systems take 255 bytes. The cut
// leaves room for the "_K" that makes a name unique.
constexpr qsizetype kMaxNameBytes = 240;

// The longest start of text (whole characters) that fits in maxBytes of UTF-8.
QString CutToBytes(const QString& text, qsizetype maxBytes) {
    qsizetype bytes = 0, i = 0;
    while (i < text.size()) {
        const qsizetype len =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const qsizetype n = QStringView(text).mid(i, len).toUtf8().size();
        if (bytes + n > maxBytes) break;
        bytes += n;
        i += len;
    }
    return text.left(i);
}

} // namespace

QString SafeAttachmentName(const QString& name) {
    QString plain;
    plain.reserve(name.size());
    for (const char32_t c : name.toUcs4()) {
        if (c == U'/' || c == U'\\' || c == U':') {
            plain.clear(); // keep only the last path piece (also drive letters)
            continue;
        }
        // Control characters, and format characters that would show the name
        // other than it is (a right-to-left override turning "gpj.exe" around).
        const QChar::Category category = QChar::category(c);
        if (c < 32 || c == 127 || category == QChar::Other_Control || category == QChar::Other_Format ||
            category == QChar::Other_Surrogate)
            continue;
        plain.append(QString::fromUcs4(&c, 1));
    }
    plain = plain.trimmed();
    while (plain.startsWith(QLatin1Char('.')) || plain.startsWith(QLatin1Char(' ')))
        plain.remove(0, 1);
    while (plain.endsWith(QLatin1Char('.')) || plain.endsWith(QLatin1Char(' ')))
        plain.chop(1);
    if (plain.toUtf8().size() > kMaxNameBytes) { // cut by bytes, keeping a short extension
        const qsizetype dot = plain.lastIndexOf(QLatin1Char('.'));
        const QString ext = dot > 0 && plain.size() - dot <= 16 ? plain.mid(dot) : QString();
        plain =
            CutToBytes(plain.left(plain.size() - ext.size()), kMaxNameBytes - ext.toUtf8().size()).trimmed() +
            ext;
    }
    if (plain.isEmpty()) return QStringLiteral("text.tmp");
    return plain;
}

QString UniqueAttachmentName(const QString& folder, const QString& name, QHash<QString, int>* nextSuffix) {
    const int first = nextSuffix ? nextSuffix->value(name, 0) : 0;
    if (first == 0 && !QFileInfo::exists(folder + name)) {
        if (nextSuffix) nextSuffix->insert(name, 1);
        return name;
    }
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? name : name.left(dot);
    const QString rest = dot < 0 ? QString() : name.mid(dot); // with its dot
    for (int k = qMax(first, 1);; ++k) {
        const QString candidate = base + QLatin1Char('_') + QString::number(k) + rest;
        if (!QFileInfo::exists(folder + candidate)) {
            if (nextSuffix) nextSuffix->insert(name, k + 1);
            return candidate;
        }
    }
}

#include "core/TextCatalogue.h"

#include <QFile>

namespace {
QString unescape(QStringView raw) {
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        QChar c = raw[i];
        if (c == u'\\' && i + 1 < raw.size()) {
            const QChar n = raw[++i];
            if (n == u'n')
                c = u'\n';
            else if (n == u't')
                c = u'\t';
            else
                c = n;
        }
        out.append(c);
    }
    return out;
}
} // namespace

bool TextCatalogue::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QHash<int, QString> texts;
    const QString content = QString::fromUtf8(file.readAll());
    for (QStringView line : QStringView(content).split(u'\n')) {
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        const qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0) continue;
        bool ok = false;
        const int number = line.left(tab).trimmed().toInt(&ok);
        if (!ok || number < 0 || number > 65535) continue;
        texts.insert(number, unescape(line.mid(tab + 1)));
    }
    if (texts.isEmpty()) return false;
    m_texts = std::move(texts);
    return true;
}

QString TextCatalogue::text(int number) const {
    return m_texts.value(number).left(kMaxLength);
}

TextCatalogue& TextCatalogue::global() {
    static TextCatalogue catalogue;
    return catalogue;
}

QString LeerTexto(int number) {
    return TextCatalogue::global().text(number);
}

NameLists NameLists::build() {
    NameLists lists;
    for (int n = 10002; n <= 10009; ++n)
        lists.repeticiones << LeerTexto(n);
    for (int n = 10011; n <= 10017; ++n)
        lists.diasSemana << LeerTexto(n);
    const QString letras = LeerTexto(20808);
    if (letras.size() == 3) lists.letrasEstado = letras;
    return lists;
}

NameLists& NameLists::global() {
    static NameLists lists;
    return lists;
}

// Name lookup and replacement over header lines.
#include "mail/codec/HeaderList.h"

int THeaderList::IndexOfName(const QString& name) const {
    for (int i = 0; i < size(); ++i) {
        const QString& line = at(i);
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0) continue;
        if (QStringView(line).left(colon).compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

void THeaderList::SetValue(const QString& name, const QString& value) {
    const int index = IndexOfName(name);
    if (value.isEmpty()) {
        if (index >= 0) removeAt(index);
        return;
    }
    const QString line = name + QStringLiteral(": ") + value;
    if (index >= 0)
        replace(index, line);
    else
        append(line);
}

QString THeaderList::Value(const QString& name) const {
    const int index = IndexOfName(name);
    if (index < 0) return {};
    const QString& line = at(index);
    qsizetype start = line.indexOf(QLatin1Char(':')) + 1;
    while (start < line.size() && (line.at(start) == QLatin1Char(' ') || line.at(start) == QLatin1Char('\t')))
        ++start;
    return line.mid(start);
}

QString THeaderList::Text() const {
    QString text;
    for (const QString& line : *this) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return text;
}

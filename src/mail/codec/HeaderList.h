#pragma once
// THeaderList: mail header lines ("Name: value") with case-blind name lookup.
#include <QByteArray>
#include <QString>
#include <QStringList>

class THeaderList : public QStringList {
public:
    using QStringList::QStringList;

    // Index of the first line whose text before its first ':' equals name
    // (letter case ignored); lines without ':' never match; -1 when none.
    int IndexOfName(const QString& name) const;
    // Sets "name: value" in place of the first line of that name (or at the end);
    // an empty value deletes that line instead.
    void SetValue(const QString& name, const QString& value);
    // Text after "name:" with leading blanks removed; "" when there is no such line.
    QString Value(const QString& name) const;
    // Every line followed by CR LF.
    QString Text() const;
};

#pragma once
// The user-interface text catalogue: texts by number, loaded from a catalogue
// file in the program folder. Replacing the file changes the program's language.
//
// File format (UTF-8): one text per line, "NUMBER<TAB>TEXT"; lines that are empty
// or start with '#' are ignored; in TEXT, "\n", "\t" and "\\" stand for a line
// break, a tab and a backslash. A number given twice keeps the last text.
#include <QHash>
#include <QString>
#include <QStringList>

class TextCatalogue {
public:
    static constexpr int kMaxLength = 255;
    static constexpr const char* kFileName = "QVLANG.cat";

    // Reads the file; false (and the catalogue left unchanged) when it cannot be read
    // or holds no text at all.
    bool load(const QString& path);
    void clear() { m_texts.clear(); }
    bool isLoaded() const { return !m_texts.isEmpty(); }
    // The text of `number`, cut at 255 characters; empty when the catalogue lacks it.
    QString text(int number) const;

    // The catalogue the running program uses.
    static TextCatalogue& global();

private:
    QHash<int, QString> m_texts;
};

// Text `number` of the program's catalogue; never fails (empty when missing).
QString LeerTexto(int number);

// The name lists built once at start: repetition names for codes 0..7
// (texts 10002..10009) and weekday names Monday..Sunday (texts 10011..10017).
struct NameLists {
    QStringList repeticiones;
    QStringList diasSemana;
    // The state column's three letters: expires, deleted when it expires, by e-mail.
    QString letrasEstado = QStringLiteral("XDE");
    static NameLists build();
    static NameLists& global();
};

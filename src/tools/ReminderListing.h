#pragma once
// The lines of `qvtool list`, written straight from the stored bytes of each
// record: no text is decoded into a QString, so a file of 65535 reminders
// costs little more than reading it.
#include <QByteArray>
#include <QtGlobal>

#include <cstdio>
#include <limits>

class ReminderListing {
public:
    explicit ReminderListing(std::FILE* out);
    ~ReminderListing(); // writes what is left
    // One line, its line break included, for the record at `record`
    // (RegistroAviso::kTamano bytes).
    void add(const char* record);
    void flush();

private:
    // A date's text, kept for the next record: files hold runs of the same days.
    struct DateText {
        qint64 day = std::numeric_limits<qint64>::min(); // none yet
        char text[16] = {};
        int size = 0;
    };

    char* putDate(char* out, double stored, DateText& last);

    std::FILE* m_out;
    DateText m_next, m_last; // FechaProx, FechaUlt
    QByteArray m_buffer;
    char* m_end; // where the next line goes in m_buffer
};

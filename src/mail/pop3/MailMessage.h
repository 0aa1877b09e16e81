#pragma once
// Results of the POP3 client: the summary of one message and one retrieved message.
#include "mail/codec/HeaderList.h"

#include <QString>
#include <QStringList>

struct TSummary {
    QString Subject;
    QString From;
    int Bytes = 0;
    QString MessageId;
    THeaderList Header;
};

struct TMailMessage {
    THeaderList Header;      // header lines of the message, its empty line included
    QStringList Body;        // text lines without their line ends
    QStringList Attachments; // names of the attachment files written
    QString From;
    QString Subject;
    QString MessageId;
};

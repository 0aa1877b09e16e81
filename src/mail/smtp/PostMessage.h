#pragma once
// TPostMessage: one outgoing message as the owner fills it in before sending.
#include <QString>
#include <QStringList>

enum TSubType { mtPlain, mtEnriched, mtSgml, mtTabSeparated, mtHtml };

struct TPostMessage {
    QString FromName;
    QString FromAddress;
    QString Subject;
    QString LocalProgram; // X-Mailer
    QString Date;         // written as it stands
    QString ReplyTo;
    QStringList Attachments; // file paths
    QStringList ToAddress;   // "a@b", "Name<a@b>" or "prefix:a@b"
    QStringList ToCarbonCopy;
    QStringList ToBlindCarbonCopy;
    QStringList Body; // text lines
};

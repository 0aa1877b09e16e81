#include "mailbridge/IncomingMail.h"

#include "core/Cp1252.h"
#include "core/DateTimeValue.h"
#include "core/DisplayFormats.h"
#include "mailbridge/OutgoingMail.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString EscribirEmailRecibido(const QString& dirMail, const QString& from, const QStringList& cuerpo,
                              const QDateTime& ahora) {
    // The day count with 15 significant digits, its point removed.
    QString stamp = QString::number(DateTimeValue::fromDateTime(ahora.date(), ahora.time()), 'g', 15);
    stamp.remove(stamp.indexOf(QLatin1Char('.')), stamp.contains(QLatin1Char('.')) ? 1 : 0);
    QString path = dirMail + stamp + QStringLiteral(".IN");
    for (int n = 1; QFileInfo::exists(path); ++n) path = dirMail + stamp + QLatin1Char('_') + QString::number(n) + ".IN";
    QStringList lines{Marcadores::kCabecera, Marcadores::kFrom, from, Marcadores::kBody};
    lines << cuerpo;
    return EscribirLineas(path, lines) ? path : QString();
}

QStringList ListaEmailRecibido(const QString& dirMail) {
    QStringList out;
    const QDir dir(dirMail);
    for (const QString& f :
         dir.entryList({QStringLiteral("*.IN")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        out << dir.filePath(f);
    return out;
}

bool HayEmailRecibido(const QString& dirMail) { return !ListaEmailRecibido(dirMail).isEmpty(); }

bool CargarEmailRecibido(const QString& ruta, EmailRecibido& mail) {
    QStringList lines;
    if (!LeerLineas(ruta, lines) || lines.isEmpty()) return false;
    const int from = BuscarLinea(lines, Marcadores::kFrom);
    mail.from = lines.value(from); // the line after the marker, or the first line without one
    const int body = BuscarLinea(lines, Marcadores::kBody);
    mail.cuerpo = lines.mid(body);
    return true;
}

QStringList LineasAlerta(const EmailRecibido& mail) {
    QStringList out{QStringLiteral("From: ") + mail.from};
    for (const QString& l : mail.cuerpo) {
        if (l == QLatin1String("----------")) break;
        if (!l.isEmpty()) out << l;
    }
    out << QString() << QStringLiteral("__________ End of message __________") << QString();
    return out;
}

bool RegistrarEmailRecibido(const QString& dirMail, const EmailRecibido& mail, const QDateTime& ahora) {
    QFile log(dirMail + QStringLiteral("QV_EMAIL.TXT"));
    const bool isNew = !log.exists();
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    QString text;
    if (isNew) text += QStringLiteral("# Mail file created by Norvo Orbalinder 2.0. DO NOT RENAME!\r\n\r\n");
    text += QStringLiteral("__________ Mail received on: ") + DisplayFormats::logStamp(ahora) +
            QStringLiteral(" __________\r\n\r\nFrom: ") + mail.from + QStringLiteral("\r\n");
    for (const QString& l : mail.cuerpo)
        if (!l.isEmpty()) text += l + QStringLiteral("\r\n");
    text += QStringLiteral("\r\n__________ End of mail __________\r\n\r\n");
    const QByteArray bytes = Cp1252::encode(text);
    return log.write(bytes) == bytes.size() && log.flush();
}

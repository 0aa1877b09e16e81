#include "mailfiles/ReceivedMailLog.h"

#include "core/Clock.h"
#include "core/DisplayFormats.h"
#include "mailfiles/IncomingMail.h"
#include "mailfiles/MailFileText.h"

#include <QDir>
#include <QFileInfo>

namespace mailfiles {

QStringList EntradaLogEmail(const QStringList& lineas, const QDateTime& momento) {
    QStringList entrada;
    entrada << QStringLiteral("__________ Mail received on: ") + DisplayFormats::logStamp(momento) +
                   QStringLiteral(" __________")
            << QString();
    const int from = BuscarLinea(lineas, QString::fromLatin1(kMarcaFrom));
    entrada << QStringLiteral("From: ") + lineas.value(from);
    const int body = BuscarLinea(lineas, QString::fromLatin1(kMarcaBody));
    for (qsizetype i = body; i < lineas.size(); ++i)
        if (!lineas[i].isEmpty())
            entrada << LineaCuerpoMostrada(lineas[i]); // no line passes for an entry's own
    entrada << QString() << QString::fromLatin1(kFinEmailLog) << QString();
    return entrada;
}

bool RegistrarEmailRecibido(const QString& dirMail, const QStringList& lineasArchivo) {
    const QString ruta = QDir(dirMail).filePath(QString::fromLatin1(kNombreLogEmail));
    QStringList lineas;
    if (!QFileInfo::exists(ruta)) lineas << QString::fromLatin1(kCabeceraLogEmail) << QString();
    lineas << EntradaLogEmail(lineasArchivo, Clock::current().now());
    return anadirLineas(ruta, lineas);
}

} // namespace mailfiles

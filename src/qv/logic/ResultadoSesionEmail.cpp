#include "qv/logic/ResultadoSesionEmail.h"

#include "core/TextCatalogue.h"
#include "mailfiles/OutgoingMail.h"

#include <QDir>
#include <QFileInfo>

std::optional<mailfiles::EstadoSesion> ResultadoSesionEmail::recoger(const QString& dirTemp,
                                                                     const QString& dirMail) {
    const QFileInfo archivo(QDir(dirTemp).filePath(QString::fromLatin1(mailfiles::kNombreEstadoSesion)));
    if (!archivo.exists()) return std::nullopt;
    const QDateTime momento = archivo.lastModified();
    std::optional<mailfiles::EstadoSesion> estado = mailfiles::TomarEstadoSesion(dirTemp);
    if (!estado) return std::nullopt;
    m_retenidos.clear();
    m_momento = momento;
    for (const mailfiles::EstadoArchivo& a : estado->noEnviados())
        m_retenidos << a.archivo;
    if (!estado->motivoSesion.isEmpty()) {
        // A session that could not run tried nothing: every file queued by then waits for the next check.
        for (const QString& ruta : mailfiles::ListarEmailSaliente(dirMail)) {
            const QFileInfo f(ruta);
            if (f.lastModified() <= momento) {
                m_retenidos << f.fileName();
                bool anotado = false;
                for (const mailfiles::EstadoArchivo& a : estado->archivos)
                    anotado |= a.archivo == f.fileName();
                if (!anotado)
                    estado->anotar(f.fileName(), mailfiles::ResultadoEnvio::NoIntentado,
                                   estado->motivoSesion);
            }
        }
    }
    if (!estado->fallida()) {
        m_ultimoContado.clear();
        return std::nullopt;
    }
    QStringList huella{estado->motivoSesion};
    for (const mailfiles::EstadoArchivo& a : estado->noEnviados())
        huella << a.archivo + u'|' + a.destinatario + u'|' + a.motivo;
    if (huella == m_ultimoContado) return std::nullopt;
    m_ultimoContado = huella;
    return estado;
}

bool ResultadoSesionEmail::hayEmailNuevo(const QString& dirMail) const {
    for (const QString& ruta : mailfiles::ListarEmailSaliente(dirMail)) {
        const QFileInfo f(ruta);
        if (!m_retenidos.contains(f.fileName()) || f.lastModified() > m_momento) return true;
    }
    return false;
}

QStringList ResultadoSesionEmail::avisosRetenidos(const QString& dirMail) const {
    QStringList r;
    for (const QString& ruta : mailfiles::ListarEmailSaliente(dirMail)) {
        const QString nombre = QFileInfo(ruta).fileName();
        if (m_retenidos.contains(nombre)) r << AvisoDeArchivoEmail(nombre);
    }
    return r;
}

QString AvisoDeArchivoEmail(const QString& nombreArchivo) {
    QString base = nombreArchivo;
    if (base.endsWith(QLatin1String(".OUT"), Qt::CaseInsensitive)) base.chop(4);
    const qsizetype raya = base.lastIndexOf(u'_');
    return raya > 0 ? base.left(raya) : base;
}

QString TextoSesionEmailFallida(const mailfiles::EstadoSesion& estado, bool revisionPeriodica,
                                const QStringList& archivosAvisos) {
    QStringList lineas{LeerTexto(20106)};
    if (!estado.motivoSesion.isEmpty()) lineas << LeerTexto(20107).arg(estado.motivoSesion);
    for (const mailfiles::EstadoArchivo& a : estado.noEnviados()) {
        QString aviso = AvisoDeArchivoEmail(a.archivo);
        const QString origen = archivosAvisos.size() > 1
                                   ? mailfiles::ArchivoDeEmailSaliente(a.archivo, archivosAvisos)
                                   : QString();
        if (!origen.isEmpty()) aviso = LeerTexto(20824).arg(aviso, QFileInfo(origen).fileName());
        const QString motivo = a.motivo.isEmpty() ? LeerTexto(20110) : a.motivo;
        lineas << (a.destinatario.isEmpty() ? LeerTexto(20108).arg(aviso, motivo)
                                            : LeerTexto(20109).arg(aviso, a.destinatario, motivo));
    }
    lineas << QString() << LeerTexto(revisionPeriodica ? 20111 : 20112);
    return lineas.join(u'\n');
}

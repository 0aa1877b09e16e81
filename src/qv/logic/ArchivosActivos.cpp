#include "qv/logic/ArchivosActivos.h"

#include "mailfiles/OutgoingMail.h"
#include "settings/Ajustes.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString limpia(const QString& ruta) {
    return QDir::cleanPath(QFileInfo(ruta).absoluteFilePath());
}
} // namespace

void ArchivosActivos::cargar(const QString& mostrado) {
    m_archivos.clear();
    for (const QString& ruta : Ajustes::rutasActivas())
        anadir(ruta, {});
    if (!mostrado.isEmpty()) anadir(mostrado, {});
}

void ArchivosActivos::guardar() const {
    Ajustes::guardarRutasActivas(rutas());
}

bool ArchivosActivos::anadir(const QString& ruta, const QDateTime& ultimaPasada) {
    if (ruta.isEmpty() || contiene(ruta)) return false;
    Archivo a;
    a.ruta = ruta;
    a.ultimaPasada = ultimaPasada;
    m_archivos.push_back(std::move(a));
    return true;
}

bool ArchivosActivos::quitar(const QString& ruta) {
    const auto antes = m_archivos.size();
    const QString buscada = limpia(ruta);
    m_archivos.remove_if([&](const Archivo& a) { return limpia(a.ruta) == buscada; });
    return m_archivos.size() != antes;
}

ArchivosActivos::Archivo* ArchivosActivos::buscar(const QString& ruta) {
    return const_cast<Archivo*>(std::as_const(*this).buscar(ruta));
}

const ArchivosActivos::Archivo* ArchivosActivos::buscar(const QString& ruta) const {
    if (ruta.isEmpty()) return nullptr;
    const QString buscada = limpia(ruta);
    for (const Archivo& a : m_archivos)
        if (limpia(a.ruta) == buscada) return &a;
    return nullptr;
}

QStringList ArchivosActivos::rutas() const {
    QStringList r;
    for (const Archivo& a : m_archivos)
        r << a.ruta;
    return r;
}

QString ArchivosActivos::indiceDe(const QString& dirTemp, const QString& ruta) {
    return QDir(dirTemp).filePath(QStringLiteral("QVMsgs-") + mailfiles::MarcaArchivoAvisos(ruta) +
                                  QStringLiteral(".IDX"));
}

void ArchivosActivos::pasadaOtros(
    const QString& mostrado, const QDateTime& ahora, bool ponerAlDia, int workingDays, const QString& dirTemp,
    const std::function<AccionesPasada(const QString&)>& acciones,
    const std::function<void(const QString&, const ReminderFileError&)>& alFallar) {
    const QString shown = mostrado.isEmpty() ? QString() : limpia(mostrado);
    for (Archivo& a : m_archivos) {
        if (limpia(a.ruta) == shown) continue;
        const QDateTime desde = ponerAlDia ? a.ultimaPasada : QDateTime();
        if (a.memoria.sinCambios(a.ruta, ahora, desde)) {
            a.ultimaPasada = ahora;
            continue;
        }
        const QString indice = indiceDe(dirTemp, a.ruta);
        try {
            if (!QFileInfo::exists(indice)) CrearIndice(indice, ContarAvisos(a.ruta));
            PasadaDebidos(a.ruta, indice, ahora, desde, workingDays, acciones(a.ruta), &a.memoria);
            a.fallido = false;
        } catch (const ReminderFileError& e) {
            if (!a.fallido && alFallar) alFallar(a.ruta, e);
            a.fallido = true;
            continue; // its minutes are caught up once it can be read again
        }
        a.ultimaPasada = ahora;
    }
}

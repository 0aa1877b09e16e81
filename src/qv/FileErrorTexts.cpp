#include "qv/FileErrorTexts.h"

#include "core/TextCatalogue.h"
#include "store/ReminderFile.h"

#include <QDir>

#include <cerrno>

namespace FileErrorTexts {

namespace {
int operationText(ReminderFileError::Operacion op) {
    using Op = ReminderFileError::Operacion;
    switch (op) {
    case Op::Abrir:
        return 20310;
    case Op::Crear:
        return 20311;
    case Op::Leer:
        return 20312;
    case Op::Escribir:
        return 20313;
    case Op::Reemplazar:
        return 20314;
    case Op::Copiar:
        return 20315;
    case Op::Reescribir:
        return 20316;
    }
    return 20310;
}
} // namespace

QString systemReason(int errorNumber) {
    switch (errorNumber) {
    case ENOENT:
        return LeerTexto(20320);
    case EACCES:
    case EPERM:
        return LeerTexto(20325);
    case ENOSPC:
    case EDQUOT:
        return LeerTexto(20326);
    case EISDIR:
        return LeerTexto(20327);
    case EROFS:
        return LeerTexto(20328);
    case ENOTDIR:
        return LeerTexto(20330);
    case EIO:
        return LeerTexto(20331);
    default:
        return LeerTexto(20329).arg(errorNumber);
    }
}

QString error(const ReminderFileError& e) {
    using Causa = ReminderFileError::Causa;
    QString reason;
    switch (e.causa()) {
    case Causa::Sistema:
        reason = systemReason(e.errorNumber());
        break;
    case Causa::NoExiste:
        reason = LeerTexto(20320);
        break;
    case Causa::SinAviso:
        reason = LeerTexto(20321).arg(e.numero());
        break;
    case Causa::AvisoIncompleto:
        reason = LeerTexto(20322).arg(e.numero());
        break;
    case Causa::FinPrematuro:
        reason = LeerTexto(20323);
        break;
    case Causa::Excesivo:
        reason = LeerTexto(20324).arg(e.numero());
        break;
    case Causa::Ocupado:
        reason = LeerTexto(20400).arg(FileLock::kDefaultWaitMs / 1000);
        break;
    case Causa::Otra:
        return LeerTexto(20317).arg(QString::fromUtf8(e.what()));
    }
    return LeerTexto(operationText(e.operacion())).arg(QDir::toNativeSeparators(e.path()), reason);
}

QString warning(const QString& path, const Diagnostico& d) {
    const QString name = QDir::toNativeSeparators(path);
    switch (d.estado) {
    case Diagnostico::Estado::Sano:
        return {};
    case Diagnostico::Estado::NoLegible:
        return LeerTexto(20310).arg(name, systemReason(d.errorNumber));
    case Diagnostico::Estado::Incompleto:
        return LeerTexto(20340)
            .arg(name)
            .arg(d.bytes)
            .arg(RegistroAviso::kTamano)
            .arg(std::min<qint64>(d.completos, RegistroAviso::kMaxAvisos))
            .arg(d.sobrantes);
    case Diagnostico::Estado::Excesivo:
        return LeerTexto(20341).arg(name).arg(RegistroAviso::kMaxAvisos);
    }
    return {};
}

} // namespace FileErrorTexts

#include "store/ResumenesGuardados.h"

#include "core/Binary.h"
#include "platform/DurableFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cstring>

#include <sys/stat.h>

namespace {
constexpr char kMagic[8] = {'Q', 'V', 'S', 'U', 'M', '0', '0', '1'};
constexpr int kIdentidad = 5 * 8;
constexpr qint64 kReposoNs = 2'000'000'000;

void putI64(char* p, int64_t v) {
    Binary::putI32(p, int32_t(uint32_t(uint64_t(v))));
    Binary::putI32(p + 4, int32_t(uint32_t(uint64_t(v) >> 32)));
}

// What binds the summaries to one state of one file: its path and identity.
QByteArray cabecera(const QString& archivo, const FileIdentity& id) {
    const QByteArray ruta = QFileInfo(archivo).absoluteFilePath().toUtf8();
    QByteArray out(qsizetype(sizeof kMagic + kIdentidad + 4), Qt::Uninitialized);
    char* p = out.data();
    std::memcpy(p, kMagic, sizeof kMagic);
    p += sizeof kMagic;
    for (int64_t v : {int64_t(id.device), int64_t(id.inode), id.size, id.modifiedNs, id.changedNs}) {
        putI64(p, v);
        p += 8;
    }
    Binary::putI32(p, int32_t(ruta.size()));
    return out + ruta;
}

// FNV-1a over eight bytes at a time, then the rest byte by byte: the same sum
// in every run (qHash is seeded per process), and a few microseconds per megabyte.
QByteArray suma(QByteArrayView bytes) {
    constexpr uint64_t kPrimo = 0x100000001b3;
    uint64_t h = 0xcbf29ce484222325;
    qsizetype i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        h = (h ^ w) * kPrimo;
    }
    for (; i < bytes.size(); ++i)
        h = (h ^ uint8_t(bytes[i])) * kPrimo;
    QByteArray out(8, Qt::Uninitialized);
    putI64(out.data(), int64_t(h));
    return out;
}
} // namespace

QString ArchivoResumenesGuardados(const QString& archivo) {
    return archivo + QStringLiteral(".summaries");
}

std::optional<ResumenesAvisos> LeerResumenesGuardados(const QString& archivo, const FileIdentity& actual) {
    QFile f(ArchivoResumenesGuardados(archivo));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return std::nullopt;
    const QByteArray todo = f.readAll();
    const QByteArray esperada = cabecera(archivo, actual);
    if (todo.size() < esperada.size() + 8 || !todo.startsWith(esperada)) return std::nullopt;
    const QByteArrayView cuerpo = QByteArrayView(todo).first(todo.size() - 8);
    if (QByteArrayView(todo).last(8) != suma(cuerpo)) return std::nullopt;
    std::optional<ResumenesAvisos> out = ResumenesAvisos::deGuardados(cuerpo.sliced(esperada.size()));
    if (!out) return std::nullopt;
    out->identidad = actual;
    out->sinEscrituras = true;
    return out;
}

void GuardarResumenes(const QString& archivo, const ResumenesAvisos& leidos) {
    if (!leidos.sinEscrituras || !leidos.identidad) return;
    const FileIdentity& id = *leidos.identidad;
    const qint64 ahoraNs = QDateTime::currentMSecsSinceEpoch() * 1'000'000;
    if (ahoraNs - id.modifiedNs < kReposoNs || ahoraNs - id.changedNs < kReposoNs) return;
    struct stat st {};
    if (::stat(QFile::encodeName(archivo).constData(), &st) != 0) return;
    const QByteArray cuerpo = cabecera(archivo, id) + leidos.guardados();
    DurableFile::save(ArchivoResumenesGuardados(archivo), cuerpo + suma(cuerpo), nullptr,
                      int(st.st_mode & 0777));
}

#include "store/ReminderFile.h"

#include "core/Binary.h"
#include "settings/ProgramFolders.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <unistd.h>

namespace {

constexpr qint64 kSize = RegistroAviso::kTamano;

using Op = ReminderFileError::Operacion;
using Causa = ReminderFileError::Causa;

const char* opText(Op op) {
    switch (op) {
    case Op::Abrir:
        return "Cannot open";
    case Op::Crear:
        return "Cannot create";
    case Op::Leer:
        return "Cannot read";
    case Op::Escribir:
        return "Cannot write";
    case Op::Reemplazar:
        return "Cannot replace";
    case Op::Copiar:
        return "Cannot copy";
    case Op::Reescribir:
        return "Cannot rewrite";
    }
    return "Cannot use";
}

[[noreturn]] void fail(Op op, const QString& path, Causa causa, const QString& why, int numero = 0,
                       int errorNumber = 0) {
    throw ReminderFileError(op, path, causa, errorNumber, numero,
                            QStringLiteral("%1 %2: %3")
                                .arg(QString::fromLatin1(opText(op)), QDir::toNativeSeparators(path), why));
}

// A failure the operating system reported: errno still holds its reason.
[[noreturn]] void failSystem(Op op, const QString& path, const QString& why) {
    const int e = errno;
    fail(op, path, Causa::Sistema, why, 0, e);
}

void openOrFail(QFile& f, QIODevice::OpenMode mode, Op op) {
    if (f.open(mode)) return;
    if (!QFileInfo::exists(f.fileName()))
        fail(op, f.fileName(), Causa::NoExiste, QStringLiteral("the file does not exist"));
    failSystem(op, f.fileName(), f.errorString());
}

// Opening to change records never creates the file: a reminders file that went
// away is told, not replaced by an empty one.
constexpr QIODevice::OpenMode kChangeExisting = QIODevice::ReadWrite | QIODevice::ExistingOnly;

void writeOrFail(QFile& f, const QByteArray& bytes) {
    if (f.write(bytes) != bytes.size()) failSystem(Op::Escribir, f.fileName(), f.errorString());
}

QString workPath(const char* name) {
    return ProgramFolders::global().dirTemp + QString::fromLatin1(name);
}

// Puts `work` in place of `target` in one rename. When the two lie on different
// file systems the work file is first copied beside the target, so the final
// step is still a single rename.
void replaceFile(const QString& work, const QString& target) {
    const QByteArray from = QFile::encodeName(work), to = QFile::encodeName(target);
    if (::rename(from.constData(), to.constData()) == 0) return;
    if (errno != EXDEV) failSystem(Op::Reemplazar, target, QString::fromLocal8Bit(strerror(errno)));
    const QString beside = target + QStringLiteral(".orbtmp");
    QFile::remove(beside);
    if (!QFile::copy(work, beside)) failSystem(Op::Copiar, work, QStringLiteral("copy failed"));
    const QByteArray b = QFile::encodeName(beside);
    if (::rename(b.constData(), to.constData()) != 0) {
        const int e = errno;
        QFile::remove(beside);
        fail(Op::Reemplazar, target, Causa::Sistema, QString::fromLocal8Bit(strerror(e)), 0, e);
    }
    QFile::remove(work);
}

QByteArray indexBytes(const QVector<quint16>& numeros) {
    QByteArray out(numeros.size() * 2, '\0');
    char* p = out.data();
    for (quint16 numero : numeros) {
        Binary::putU16(p, numero);
        p += 2;
    }
    return out;
}

// Writes an index file. It is not forced to disk: every start deletes the
// index and builds it anew, so one lost in a crash costs nothing, while the
// flush would hold up every opening and sort.
void writeWhole(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    openOrFail(f, QIODevice::WriteOnly | QIODevice::Truncate, Op::Crear);
    writeOrFail(f, bytes);
    if (!f.flush()) failSystem(Op::Escribir, path, f.errorString());
}

// Writes the work file of a rewrite: the records `keep` accepts (by stored
// bytes and 0-based position), copied as stored, numbered from 1. Returns the
// count. A file beyond the record limit is refused: rewriting it would drop
// the records after the limit.
int writeWork(const QString& archivo, const QString& work,
              const std::function<bool(const char* raw, qint64 position)>& keep) {
    QFile in(archivo);
    openOrFail(in, QIODevice::ReadOnly | QIODevice::Unbuffered, Op::Abrir);
    const qint64 whole = in.size() / kSize;
    if (whole > RegistroAviso::kMaxAvisos)
        fail(Op::Reescribir, archivo, Causa::Excesivo,
             QStringLiteral("it holds more than %1 reminders").arg(RegistroAviso::kMaxAvisos),
             RegistroAviso::kMaxAvisos);
    QDir().mkpath(ProgramFolders::global().dirTemp);
    QFile out(work);
    openOrFail(out, QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered, Op::Crear);
    constexpr qint64 kChunk = 1254; // records per read, about one megabyte
    QByteArray chunk, kept;
    int counter = 0;
    for (qint64 first = 0; first < whole; first += kChunk) {
        const qint64 n = std::min(kChunk, whole - first);
        chunk.resize(n * kSize);
        if (in.read(chunk.data(), chunk.size()) != chunk.size())
            failSystem(Op::Leer, archivo, in.errorString());
        kept.resize(0);
        for (qint64 i = 0; i < n; ++i) {
            const char* raw = chunk.constData() + i * kSize;
            if (!keep(raw, first + i)) continue;
            const qsizetype at = kept.size();
            kept.append(raw, kSize);
            Binary::putU16(kept.data() + at + OffsetsAviso::Numero, static_cast<uint16_t>(++counter));
        }
        writeOrFail(out, kept);
    }
    if (!out.flush()) failSystem(Op::Escribir, work, out.errorString());
    ::fsync(out.handle()); // on disk before it takes the old file's place
    return counter;
}

QByteArray readIndexBytes(const QString& indice) {
    QFile f(indice);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

ReminderFileError::ReminderFileError(Operacion op, const QString& path, Causa causa, int errorNumber,
                                     int numero, const QString& englishText)
    : std::runtime_error(englishText.toStdString()), m_op(op), m_causa(causa), m_path(path),
      m_errno(errorNumber), m_numero(numero) {}

int ContarAvisos(const QString& archivo) {
    QFileInfo info(archivo);
    if (!info.exists()) fail(Op::Abrir, archivo, Causa::NoExiste, QStringLiteral("the file does not exist"));
    QFile f(archivo);
    openOrFail(f, QIODevice::ReadOnly, Op::Abrir);
    return static_cast<int>(std::min<qint64>(f.size() / kSize, RegistroAviso::kMaxAvisos));
}

Diagnostico DiagnosticarArchivo(const QString& archivo) {
    Diagnostico d;
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly)) {
        d.errorNumber = errno;
        d.estado = Diagnostico::Estado::NoLegible;
        return d;
    }
    d.bytes = f.size();
    d.completos = d.bytes / kSize;
    d.sobrantes = d.bytes % kSize;
    if (d.sobrantes != 0)
        d.estado = Diagnostico::Estado::Incompleto;
    else if (d.completos > RegistroAviso::kMaxAvisos)
        d.estado = Diagnostico::Estado::Excesivo;
    return d;
}

QString DiagnosticoArchivo(const QString& archivo) {
    const Diagnostico d = DiagnosticarArchivo(archivo);
    const QString name = QDir::toNativeSeparators(archivo);
    switch (d.estado) {
    case Diagnostico::Estado::Sano:
        return {};
    case Diagnostico::Estado::NoLegible:
        return QStringLiteral("Cannot open %1: %2")
            .arg(name, QString::fromLocal8Bit(strerror(d.errorNumber)));
    case Diagnostico::Estado::Incompleto:
        return QStringLiteral(
                   "%1 is not a whole reminders file: its size (%2 bytes) is not a multiple of %3. "
                   "Its %4 whole reminders are used; the last %5 bytes are ignored and will be "
                   "dropped by the next change.")
            .arg(name)
            .arg(d.bytes)
            .arg(kSize)
            .arg(d.completos)
            .arg(d.sobrantes);
    case Diagnostico::Estado::Excesivo:
        return QStringLiteral("%1 holds more than %2 reminders; only the first %2 are used.")
            .arg(name)
            .arg(RegistroAviso::kMaxAvisos);
    }
    return {};
}

void CrearArchivoAvisos(const QString& archivo) {
    QFile f(archivo);
    openOrFail(f, QIODevice::WriteOnly | QIODevice::Truncate, Op::Crear);
}

RegistroAviso LeerAviso(const QString& archivo, int numero) {
    QFile f(archivo);
    openOrFail(f, QIODevice::ReadOnly, Op::Abrir);
    if (numero < 1 || !f.seek((numero - 1) * kSize))
        fail(Op::Leer, archivo, Causa::SinAviso, QStringLiteral("no reminder number %1").arg(numero), numero);
    const QByteArray raw = f.read(kSize);
    if (raw.size() != kSize)
        fail(Op::Leer, archivo, Causa::AvisoIncompleto,
             QStringLiteral("reminder %1 is incomplete").arg(numero), numero);
    return RegistroAviso::fromBytes(raw.constData());
}

void EscribirAviso(const QString& archivo, int numero, const RegistroAviso& r) {
    QFile f(archivo);
    openOrFail(f, kChangeExisting, Op::Abrir);
    // Only an existing record is overwritten: a write past the end would leave
    // a gap of zero records.
    if (numero < 1 || numero > f.size() / kSize || !f.seek((numero - 1) * kSize))
        fail(Op::Escribir, archivo, Causa::SinAviso, QStringLiteral("no reminder number %1").arg(numero),
             numero);
    writeOrFail(f, r.toBytes());
}

QVector<RegistroAviso> LeerTodosLosAvisos(const QString& archivo) {
    QFile f(archivo);
    openOrFail(f, QIODevice::ReadOnly, Op::Abrir);
    const QByteArray all = f.readAll();
    const qsizetype n = std::min<qsizetype>(all.size() / kSize, RegistroAviso::kMaxAvisos);
    QVector<RegistroAviso> out;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        out << RegistroAviso::fromBytes(all.constData() + i * kSize);
    return out;
}

int AnadirAviso(const QString& archivo, const QString& indice, RegistroAviso r) {
    const int count = ContarAvisos(archivo);
    if (count >= RegistroAviso::kMaxAvisos) return 0;
    r.Numero = static_cast<quint16>(count + 1);
    {
        QFile f(archivo);
        openOrFail(f, kChangeExisting, Op::Abrir);
        // After the last whole record: a torn tail is overwritten, never built upon.
        if (!f.seek(count * kSize)) failSystem(Op::Escribir, archivo, f.errorString());
        writeOrFail(f, r.toBytes());
    }
    QFile idx(indice);
    openOrFail(idx, QIODevice::ReadWrite, Op::Abrir);
    if (!idx.seek(idx.size() - idx.size() % 2)) failSystem(Op::Escribir, indice, idx.errorString());
    writeOrFail(idx, indexBytes({r.Numero}));
    return r.Numero;
}

bool EliminarAviso(const QString& archivo, const QString& indice, int numero) {
    // The reminder at position numero goes (its stored number may disagree in a
    // damaged file; the position never does). Both work files are made first;
    // the index is put in place before the reminders file, and put back when the
    // reminders file cannot be replaced, so a failure leaves both as they were.
    try {
        const QString fileWork = workPath("INTERMEDIO.QV2"), indexWork = workPath("INTERMEDIO.IDX");
        const int remaining = writeWork(
            archivo, fileWork, [numero](const char*, qint64 position) { return position != numero - 1; });
        QVector<quint16> order;
        for (int i = 1; i <= remaining; ++i)
            order << static_cast<quint16>(i);
        const QByteArray oldIndex = readIndexBytes(indice);
        writeWhole(indexWork, indexBytes(order));
        replaceFile(indexWork, indice);
        try {
            replaceFile(fileWork, archivo);
        } catch (const ReminderFileError&) {
            writeWhole(indice, oldIndex);
            throw;
        }
        return true;
    } catch (const ReminderFileError&) {
        return false;
    }
}

bool CompactarAvisos(const QString& archivo, const QString& indice) {
    try {
        const QString work = workPath("INTERMEDIO.QVM");
        const int remaining =
            writeWork(archivo, work, [](const char* raw, qint64) { return Binary::getU16(raw) != 0; });
        replaceFile(work, archivo);
        CrearIndice(indice, remaining);
        return true;
    } catch (const ReminderFileError&) {
        return false;
    }
}

void ActivarDesactivarAviso(const QString& archivo, int numero) {
    RegistroAviso r = LeerAviso(archivo, numero);
    if (r.Terminado) return;
    r.Activo = !r.Activo;
    EscribirAviso(archivo, numero, r);
}

void CrearIndice(const QString& indice, int n) {
    QVector<quint16> order(std::max(n, 0));
    std::iota(order.begin(), order.end(), quint16(1));
    EscribirIndice(indice, order);
}

QVector<quint16> LeerIndice(const QString& indice) {
    QFile f(indice);
    openOrFail(f, QIODevice::ReadOnly, Op::Abrir);
    const QByteArray all = f.readAll();
    QVector<quint16> out(all.size() / 2);
    const char* p = all.constData();
    for (quint16& numero : out) {
        numero = Binary::getU16(p);
        p += 2;
    }
    return out;
}

void EscribirIndice(const QString& indice, const QVector<quint16>& numeros) {
    QDir().mkpath(QFileInfo(indice).absolutePath());
    const QString work = workPath("INTERMEDIO.IDX");
    QDir().mkpath(ProgramFolders::global().dirTemp);
    writeWhole(work, indexBytes(numeros));
    replaceFile(work, indice);
}

ReminderFileCursor::ReminderFileCursor(const QString& archivo, QIODevice::OpenMode modo) : m_file(archivo) {
    openOrFail(m_file, (modo == QIODevice::ReadOnly ? modo : kChangeExisting) | QIODevice::Unbuffered,
               Op::Abrir);
    m_count = static_cast<int>(std::min<qint64>(m_file.size() / kSize, RegistroAviso::kMaxAvisos));
}

bool ReminderFileCursor::next() {
    constexpr int kChunkRecords = 1254; // about one megabyte
    if (m_index + 1 >= m_count) return false;
    ++m_index;
    if (m_index >= m_chunkStart + m_chunkCount) {
        m_chunkStart = m_index;
        m_chunkCount = std::min(kChunkRecords, m_count - m_index);
        m_chunk.resize(m_chunkCount * kSize);
        if (!m_file.seek(m_chunkStart * kSize) ||
            m_file.read(m_chunk.data(), m_chunk.size()) != m_chunk.size())
            fail(Op::Leer, m_file.fileName(), Causa::FinPrematuro, QStringLiteral("the file ended early"));
    }
    return true;
}

void ReminderFileCursor::write(const RegistroAviso& r) {
    char* p = m_chunk.data() + (m_index - m_chunkStart) * kSize;
    r.toBytes(p);
    if (!m_file.seek(m_index * kSize) || m_file.write(p, kSize) != kSize)
        failSystem(Op::Escribir, m_file.fileName(), m_file.errorString());
}

void ReminderFileCursor::close() {
    m_file.close();
}

ResumenesAvisos LeerResumenes(const QString& archivo) {
    ResumenesAvisos out;
    const std::optional<FileIdentity> antes = FileIdentity::of(archivo);
    ReminderFileCursor cursor(archivo, QIODevice::ReadOnly);
    out.reservar(cursor.count());
    while (cursor.next())
        out.anadir(cursor.raw());
    cursor.close();
    out.identidad = FileIdentity::of(archivo);
    out.sinEscrituras = antes && antes == out.identidad;
    return out;
}

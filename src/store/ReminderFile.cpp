#include "store/ReminderFile.h"

#include "core/Binary.h"
#include "platform/DurableFile.h"
#include "platform/FileLock.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
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

// The lock every reader and writer of a reminders file takes (see FileLock):
// shared to read, exclusive to change. Another program that keeps it longer
// than the wait makes the operation fail before it reads or writes anything.
[[noreturn]] void failBusy(Op op, const QString& archivo) {
    fail(op, archivo, Causa::Ocupado,
         QStringLiteral("another program is using the file (it stayed locked for %1 seconds)")
             .arg(FileLock::kDefaultWaitMs / 1000));
}

// The work files a killed program left beside reminders files: removed the
// first time this program uses a file of that folder.
void removeStaleWorkOnce(const QString& archivo) {
    static QSet<QString> seen;
    const QString folder = QFileInfo(archivo).absolutePath();
    if (seen.contains(folder)) return;
    seen.insert(folder);
    DurableFile::removeStaleWorkFiles(folder);
}

class Locked {
public:
    Locked(const QString& archivo, FileLock::Mode mode, Op op) : m_lock(archivo, mode) {
        if (m_lock.timedOut()) failBusy(op, archivo);
        if (m_lock.held()) removeStaleWorkOnce(archivo);
    }

private:
    FileLock m_lock;
};
constexpr FileLock::Mode kRead = FileLock::Mode::Shared;
constexpr FileLock::Mode kChange = FileLock::Mode::Exclusive;

// A failed write of `size` bytes at `position` that may have landed in part.
[[noreturn]] void failWrite(QFile& f, int numero) {
    const int e = errno ? errno : EIO;
    fail(Op::Escribir, f.fileName(), Causa::Sistema, QString::fromLocal8Bit(strerror(e)), numero, e);
}

// Writes one record's bytes at `position` to the last byte and forces them to
// disk. On failure whatever landed is undone: an append is cut back to the
// old end, an overwrite gets the old bytes back.
void writeRecordOrFail(QFile& f, qint64 position, const QByteArray& bytes, const QByteArray& old,
                       int numero) {
    const int fd = f.handle();
    const qint64 oldEnd = f.size();
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), position + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    if (done == bytes.size() && ::fdatasync(fd) == 0) return;
    const int e = done == bytes.size() ? errno : (errno ? errno : ENOSPC);
    if (position >= oldEnd) {
        if (::ftruncate(fd, oldEnd) != 0) {
        } // nothing more to try: the error below is told
    } else if (!old.isEmpty()) {
        if (::pwrite(fd, old.constData(), size_t(old.size()), position) != old.size()) {
        }
    }
    errno = e;
    failWrite(f, numero);
}

// The index's work file lies beside the index (in the TEMP folder the caller
// names), so that one rename puts it in place.
QString indexWorkPath(const QString& indice) {
    return QFileInfo(indice).absolutePath() + QStringLiteral("/INTERMEDIO.IDX");
}

// Puts the index work file in place of the index, in one rename (both in TEMP).
void replaceFile(const QString& work, const QString& target) {
    const QByteArray from = QFile::encodeName(work), to = QFile::encodeName(target);
    if (::rename(from.constData(), to.constData()) == 0) return;
    const int e = errno;
    QFile::remove(work);
    fail(Op::Reemplazar, target, Causa::Sistema, QString::fromLocal8Bit(strerror(e)), 0, e);
}

[[noreturn]] void failDurable(const DurableFile& f, Op op) {
    fail(op, f.target(), Causa::Sistema, QString::fromLocal8Bit(strerror(f.errorNumber())), 0,
         f.errorNumber());
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

// Writes the work file of a rewrite (beside the reminders file): the records
// `keep` accepts (by stored bytes and 0-based position), copied as stored,
// numbered from 1. Returns the count. A file beyond the record limit is
// refused: rewriting it would drop the records after the limit.
int writeWork(const QString& archivo, DurableFile& out,
              const std::function<bool(const char* raw, qint64 position)>& keep) {
    QFile in(archivo);
    openOrFail(in, QIODevice::ReadOnly | QIODevice::Unbuffered, Op::Abrir);
    const qint64 whole = in.size() / kSize;
    if (whole > RegistroAviso::kMaxAvisos)
        fail(Op::Reescribir, archivo, Causa::Excesivo,
             QStringLiteral("it holds more than %1 reminders").arg(RegistroAviso::kMaxAvisos),
             RegistroAviso::kMaxAvisos);
    if (!out.isOpen()) failDurable(out, Op::Crear);
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
        if (!out.write(kept)) failDurable(out, Op::Escribir);
    }
    return counter;
}

QByteArray readIndexBytes(const QString& indice) {
    QFile f(indice);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Rewrites the reminders file with the records `keep` accepts and resets the
// index to file order. Both work files are made first; the index is put in
// place before the reminders file, and put back when the reminders file cannot
// be replaced, so a failure leaves both as they were.
bool RewriteInPlace(const QString& archivo, const QString& indice,
                    const std::function<bool(const char* raw, qint64 position)>& keep) {
    try {
        Locked lock(archivo, kChange, Op::Reescribir);
        DurableFile fileWork(archivo);
        const int remaining = writeWork(archivo, fileWork, keep);
        QVector<quint16> order(remaining);
        std::iota(order.begin(), order.end(), quint16(1));
        const QString indexWork = indexWorkPath(indice);
        const QByteArray oldIndex = readIndexBytes(indice);
        writeWhole(indexWork, indexBytes(order));
        replaceFile(indexWork, indice);
        if (!fileWork.commit()) {
            writeWhole(indice, oldIndex);
            failDurable(fileWork, Op::Reemplazar);
        }
        return true;
    } catch (const ReminderFileError&) {
        return false;
    }
}

} // namespace

ReminderFileError::ReminderFileError(Operacion op, const QString& path, Causa causa, int errorNumber,
                                     int numero, const QString& englishText)
    : std::runtime_error(englishText.toStdString()), m_op(op), m_causa(causa), m_path(path),
      m_errno(errorNumber), m_numero(numero) {}

int ContarAvisos(const QString& archivo) {
    QFileInfo info(archivo);
    if (!info.exists()) fail(Op::Abrir, archivo, Causa::NoExiste, QStringLiteral("the file does not exist"));
    Locked lock(archivo, kRead, Op::Abrir);
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
            .arg(std::min<qint64>(d.completos, RegistroAviso::kMaxAvisos))
            .arg(d.sobrantes);
    case Diagnostico::Estado::Excesivo:
        return QStringLiteral("%1 holds more than %2 reminders; only the first %2 are used.")
            .arg(name)
            .arg(RegistroAviso::kMaxAvisos);
    }
    return {};
}

void CrearArchivoAvisos(const QString& archivo) {
    Locked lock(archivo, kChange, Op::Crear);
    QFile f(archivo);
    openOrFail(f, QIODevice::WriteOnly | QIODevice::Truncate, Op::Crear);
}

RegistroAviso LeerAviso(const QString& archivo, int numero) {
    Locked lock(archivo, kRead, Op::Abrir);
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
    Locked lock(archivo, kChange, Op::Abrir);
    QFile f(archivo);
    openOrFail(f, kChangeExisting | QIODevice::Unbuffered, Op::Abrir);
    // Only an existing record is overwritten: a write past the end would leave
    // a gap of zero records.
    if (numero < 1 || numero > f.size() / kSize || !f.seek((numero - 1) * kSize))
        fail(Op::Escribir, archivo, Causa::SinAviso, QStringLiteral("no reminder number %1").arg(numero),
             numero);
    const QByteArray old = f.read(kSize);
    writeRecordOrFail(f, (numero - 1) * kSize, r.toBytes(), old, numero);
}

QVector<RegistroAviso> LeerTodosLosAvisos(const QString& archivo) {
    Locked lock(archivo, kRead, Op::Abrir);
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
    // Counting and writing under one lock: two programs adding at once each
    // get their own number.
    Locked lock(archivo, kChange, Op::Abrir);
    const int count = ContarAvisos(archivo);
    if (count >= RegistroAviso::kMaxAvisos) return 0;
    r.Numero = static_cast<quint16>(count + 1);
    {
        QFile f(archivo);
        openOrFail(f, kChangeExisting | QIODevice::Unbuffered, Op::Abrir);
        // After the last whole record: a torn tail is overwritten, never built upon.
        if (f.size() > count * kSize && !f.resize(count * kSize))
            failSystem(Op::Escribir, archivo, f.errorString());
        writeRecordOrFail(f, count * kSize, r.toBytes(), {}, r.Numero);
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
    return RewriteInPlace(archivo, indice,
                          [numero](const char*, qint64 position) { return position != numero - 1; });
}

bool CompactarAvisos(const QString& archivo, const QString& indice) {
    return RewriteInPlace(archivo, indice, [](const char* raw, qint64) { return Binary::getU16(raw) != 0; });
}

void ActivarDesactivarAviso(const QString& archivo, int numero) {
    Locked lock(archivo, kChange, Op::Escribir);
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
    const QString work = indexWorkPath(indice);
    writeWhole(work, indexBytes(numeros));
    replaceFile(work, indice);
}

ReminderFileCursor::ReminderFileCursor(const QString& archivo, QIODevice::OpenMode modo)
    : m_lock(std::make_unique<FileLock>(archivo, modo == QIODevice::ReadOnly ? kRead : kChange)),
      m_file(archivo) {
    if (m_lock->timedOut()) failBusy(Op::Abrir, archivo);
    if (m_lock->held()) removeStaleWorkOnce(archivo);
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
    const QByteArray old(p, kSize);
    r.toBytes(p);
    if (m_file.seek(m_index * kSize) && m_file.write(p, kSize) == kSize) return;
    const int e = errno;
    // Whatever landed of a failed write is undone: the record stays as it was.
    if (m_file.seek(m_index * kSize)) m_file.write(old);
    std::memcpy(p, old.constData(), kSize);
    errno = e;
    failSystem(Op::Escribir, m_file.fileName(), m_file.errorString());
}

void ReminderFileCursor::close() {
    m_file.close();
    m_lock.reset();
}

ReminderFileCursor::~ReminderFileCursor() = default;

ReminderFileLock::ReminderFileLock(const QString& archivo) : m_lock(archivo, kChange) {
    if (m_lock.timedOut()) failBusy(Op::Abrir, archivo);
    if (m_lock.held()) removeStaleWorkOnce(archivo);
}

ResumenesAvisos LeerResumenes(const QString& archivo) {
    ResumenesAvisos out;
    Locked lock(archivo, kRead, Op::Abrir);
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

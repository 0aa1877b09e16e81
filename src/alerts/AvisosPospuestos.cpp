#include "alerts/AvisosPospuestos.h"

#include "alerts/AvisoNotificacion.h"
#include "alerts/TVAviso.h"
#include "alerts/TVAvisoEx.h"
#include "platform/DurableFile.h"
#include "store/ReminderIdentities.h"

#include <QFile>

#include <optional>

namespace {
// One entry per line: the reminder's UID, its number when last known, the
// moment (ISO 8601, local time), sound, caption, text, separated by tabs;
// backslash, tab, CR and LF inside a field escaped. An entry without a UID,
// and every line written before snoozes followed identities, leaves the UID
// out and starts with the number.
QString escapar(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

QString desescapar(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] != u'\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const QChar n = s[++i];
        out += n == u't' ? QChar(u'\t') : n == u'n' ? QChar(u'\n') : n == u'r' ? QChar(u'\r') : n;
    }
    return out;
}

const QByteArray kCabecera = "# Orbalinder snoozed alerts\n";

// The identities of the reminders of `file` as it is now (aligned with
// `ahora` when given); none when they cannot be had.
std::optional<ReminderIdentities> identidades(const QString& file, const ResumenesAvisos* ahora = nullptr) {
    if (file.isEmpty()) return std::nullopt;
    try {
        return ahora ? ReminderIdentities::load(file, *ahora) : ReminderIdentities::load(file);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The number the entry's reminder has now: the one holding its UID (0: gone);
// without a UID, or without the identities, the number it was kept with.
quint16 numeroAhora(const AvisosPospuestos::Pospuesto& p, const std::optional<ReminderIdentities>& ids) {
    if (p.uid.isEmpty() || !ids) return p.numero;
    return quint16(ids->numberOf(p.uid));
}
} // namespace

AvisosPospuestos& AvisosPospuestos::global() {
    static AvisosPospuestos* one = new AvisosPospuestos;
    return *one;
}

QString AvisosPospuestos::rutaDe(const QString& remindersFile) {
    return remindersFile + QStringLiteral(".snoozed");
}

QByteArray AvisosPospuestos::codificar(const QList<Pospuesto>& entries) {
    QByteArray out = kCabecera;
    for (const Pospuesto& p : entries) {
        QStringList fields = {QString::number(p.numero), p.hasta.toString(Qt::ISODate), escapar(p.sound),
                              escapar(p.caption), escapar(p.text)};
        if (!p.uid.isEmpty()) fields.prepend(escapar(p.uid));
        out += fields.join(u'\t').toUtf8() + '\n';
    }
    return out;
}

QList<AvisosPospuestos::Pospuesto> AvisosPospuestos::decodificar(const QByteArray& bytes,
                                                                 const QString& remindersFile) {
    QList<Pospuesto> list;
    for (const QByteArray& line : bytes.split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) continue;
        QStringList f = QString::fromUtf8(line).split(u'\t');
        Pospuesto p;
        p.archivo = remindersFile;
        if (f.size() == 6) p.uid = desescapar(f.takeFirst());
        if (f.size() != 5) continue;
        bool ok = false;
        const uint numero = f[0].toUInt(&ok);
        p.hasta = QDateTime::fromString(f[1], Qt::ISODate);
        // Only an entry kept by its identity may have lost its number.
        if (!ok || (numero == 0 && p.uid.isEmpty()) || numero > 65535 || !p.hasta.isValid()) continue;
        p.numero = quint16(numero);
        p.sound = desescapar(f[2]);
        p.caption = desescapar(f[3]);
        p.text = desescapar(f[4]);
        list << p;
    }
    return list;
}

QList<AvisosPospuestos::Pospuesto> AvisosPospuestos::leer(const QString& remindersFile) {
    QFile f(rutaDe(remindersFile));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return decodificar(f.read(4 << 20), remindersFile);
}

void AvisosPospuestos::identificar(const QString& remindersFile, QList<Pospuesto>& entries) {
    // Nothing snoozed, nothing to follow: the identities (a reading of the
    // whole file, and their file written) are not needed, as at most starts.
    if (entries.isEmpty()) return;
    std::optional<ReminderIdentities> ids = identidades(remindersFile);
    if (!ids) return;
    for (Pospuesto& p : entries) {
        if (p.uid.isEmpty())
            p.uid = ids->uid(p.numero); // empty for a number past the file's end
        else
            p.numero = numeroAhora(p, ids);
    }
    try {
        ids->save();
    } catch (const std::exception& e) {
        qWarning("Cannot keep the reminders' identities: %s", e.what());
    }
}

quint64 AvisosPospuestos::guardar(const Pospuesto& p, quint64 id) {
    if (id == 0) id = m_siguiente++;
    Pospuesto kept = p;
    if (kept.uid.isEmpty()) {
        const auto old = m_items.constFind(id);
        if (old != m_items.cend() && old->archivo == kept.archivo) kept.uid = old->uid;
    }
    if (kept.uid.isEmpty() && kept.numero != 0) {
        QList<Pospuesto> one{kept};
        identificar(kept.archivo, one);
        kept.uid = one[0].uid;
    }
    kept.hasta = kept.hasta.addMSecs(-kept.hasta.time().msec()); // to the second, as the file holds it
    m_items.insert(id, kept);
    escribir(p.archivo);
    emit cambiado();
    return id;
}

void AvisosPospuestos::quitar(quint64 id) {
    const auto it = m_items.find(id);
    if (it == m_items.end()) return;
    const QString archivo = it->archivo;
    m_items.erase(it);
    escribir(archivo);
    emit cambiado();
}

void AvisosPospuestos::olvidarArchivo(const QString& remindersFile) {
    for (auto it = m_items.begin(); it != m_items.end();)
        it = it->archivo == remindersFile ? m_items.erase(it) : std::next(it);
}

QString AvisosPospuestos::uidDe(quint64 id) const {
    return m_items.value(id).uid;
}

QHash<quint16, QDateTime> AvisosPospuestos::porNumero(const QString& remindersFile,
                                                      const ResumenesAvisos& ahora) const {
    return numerados(remindersFile, &ahora);
}

QHash<quint16, QDateTime> AvisosPospuestos::porNumero(const QString& remindersFile) const {
    return numerados(remindersFile, nullptr);
}

QHash<quint16, QDateTime> AvisosPospuestos::numerados(const QString& remindersFile,
                                                      const ResumenesAvisos* ahora) const {
    QHash<quint16, QDateTime> out;
    bool porIdentidad = false;
    for (const Pospuesto& p : m_items)
        if (p.archivo == remindersFile) porIdentidad |= !p.uid.isEmpty();
    // Read only when some snooze follows an identity: the usual list has none.
    const std::optional<ReminderIdentities> ids =
        porIdentidad ? identidades(remindersFile, ahora) : std::nullopt;
    for (const Pospuesto& p : m_items) {
        if (p.archivo != remindersFile) continue;
        const quint16 numero = numeroAhora(p, ids);
        if (numero == 0) continue;
        auto it = out.find(numero);
        if (it == out.end() || p.hasta < *it) out.insert(numero, p.hasta);
    }
    return out;
}

bool AvisosPospuestos::escribir(const QString& remindersFile) {
    if (remindersFile.isEmpty()) return false;
    QList<Pospuesto> entries;
    for (const Pospuesto& p : m_items)
        if (p.archivo == remindersFile) entries << p;
    const QString path = rutaDe(remindersFile);
    if (entries.isEmpty()) return !QFile::exists(path) || QFile::remove(path);
    DurableFile f(path);
    if (!f.isOpen() || !f.write(codificar(entries)) || !f.commit()) {
        qWarning("Cannot keep the snoozed alerts: %s", qPrintable(f.errorString()));
        return false;
    }
    return true;
}

int ReanudarAvisosPospuestos(const QString& remindersFile, int formato) {
    QList<AvisosPospuestos::Pospuesto> left = AvisosPospuestos::leer(remindersFile);
    AvisosPospuestos::identificar(remindersFile, left);
    AvisosPospuestos& pospuestos = AvisosPospuestos::global();
    pospuestos.olvidarArchivo(remindersFile);
    for (const AvisosPospuestos::Pospuesto& p : left) {
        const quint16 index = quint16(p.numero - 1);
        if (formato == 4 && ReanudarAvisoNotificacion(index, p)) continue;
        if (formato == 2 || formato == 3)
            ReanudarAvisoEx(index, quint8(formato), p);
        else
            ReanudarAviso(index, p);
    }
    // What waits again was kept anew by its alert, by identity; one that came
    // at once, or whose alert could not be made, leaves the file.
    pospuestos.escribir(remindersFile);
    return int(left.size());
}

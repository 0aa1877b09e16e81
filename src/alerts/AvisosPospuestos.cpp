#include "alerts/AvisosPospuestos.h"

#include "alerts/AvisoNotificacion.h"
#include "alerts/TVAviso.h"
#include "alerts/TVAvisoEx.h"
#include "platform/DurableFile.h"

#include <QFile>

namespace {
// One entry per line: number, moment (ISO 8601, local time), sound, caption,
// text, separated by tabs; backslash, tab, CR and LF inside a field escaped.
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
        const QStringList fields = {QString::number(p.numero), p.hasta.toString(Qt::ISODate),
                                    escapar(p.sound), escapar(p.caption), escapar(p.text)};
        out += fields.join(u'\t').toUtf8() + '\n';
    }
    return out;
}

QList<AvisosPospuestos::Pospuesto> AvisosPospuestos::decodificar(const QByteArray& bytes,
                                                                 const QString& remindersFile) {
    QList<Pospuesto> list;
    for (const QByteArray& line : bytes.split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QStringList f = QString::fromUtf8(line).split(u'\t');
        if (f.size() != 5) continue;
        bool ok = false;
        Pospuesto p;
        p.archivo = remindersFile;
        const uint numero = f[0].toUInt(&ok);
        p.hasta = QDateTime::fromString(f[1], Qt::ISODate);
        if (!ok || numero == 0 || numero > 65535 || !p.hasta.isValid()) continue;
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

quint64 AvisosPospuestos::guardar(const Pospuesto& p, quint64 id) {
    if (id == 0) id = m_siguiente++;
    Pospuesto kept = p;
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

QDateTime AvisosPospuestos::hasta(const QString& remindersFile, quint16 numero) const {
    QDateTime first;
    for (const Pospuesto& p : m_items)
        if (p.numero == numero && p.archivo == remindersFile && (!first.isValid() || p.hasta < first))
            first = p.hasta;
    return first;
}

QHash<quint16, QDateTime> AvisosPospuestos::porNumero(const QString& remindersFile) const {
    QHash<quint16, QDateTime> out;
    for (const Pospuesto& p : m_items) {
        if (p.archivo != remindersFile) continue;
        auto it = out.find(p.numero);
        if (it == out.end() || p.hasta < *it) out.insert(p.numero, p.hasta);
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
    const QList<AvisosPospuestos::Pospuesto> left = AvisosPospuestos::leer(remindersFile);
    AvisosPospuestos::global().olvidarArchivo(remindersFile);
    for (const AvisosPospuestos::Pospuesto& p : left) {
        const quint16 index = quint16(p.numero - 1);
        if (formato == 4 && ReanudarAvisoNotificacion(index, p)) continue;
        if (formato == 2 || formato == 3)
            ReanudarAvisoEx(index, quint8(formato), p);
        else
            ReanudarAviso(index, p);
    }
    return int(left.size());
}

#include "mailfiles/MailFileText.h"

#include "core/Cp1252.h"
#include "platform/DurableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace mailfiles {

namespace {
// Blanks and control characters: everything up to and including the blank.
bool esRelleno(QChar c) {
    return c.unicode() <= 0x20;
}

QString recortar(const QString& linea) {
    qsizetype a = 0, b = linea.size();
    while (a < b && esRelleno(linea[a]))
        ++a;
    while (b > a && esRelleno(linea[b - 1]))
        --b;
    return linea.mid(a, b - a);
}
} // namespace

int BuscarLinea(const QStringList& lineas, const QString& marca) {
    for (qsizetype i = 0; i < lineas.size(); ++i)
        if (recortar(lineas[i]) == marca) return int(i + 1);
    return 0;
}

QStringList dividirLineas(const QString& texto) {
    QStringList lineas;
    qsizetype inicio = 0;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (c != u'\r' && c != u'\n') continue;
        lineas << texto.mid(inicio, i - inicio);
        if (c == u'\r' && i + 1 < texto.size() && texto[i + 1] == u'\n') ++i;
        inicio = i + 1;
    }
    if (inicio < texto.size()) lineas << texto.mid(inicio);
    return lineas;
}

QByteArray unirLineas(const QStringList& lineas) {
    QByteArray bytes;
    for (const QString& linea : lineas) {
        bytes += Cp1252::encode(linea);
        bytes += "\r\n";
    }
    return bytes;
}

std::optional<QStringList> leerLineas(const QString& ruta) {
    QFile file(ruta);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return dividirLineas(Cp1252::decode(bytes));
}

bool guardarLineas(const QString& ruta, const QStringList& lineas, QString* error) {
    // A save through a symbolic link would write the file it points to, which
    // may be anything the user owns: the link itself is replaced instead.
    if (QFileInfo(ruta).isSymLink() && !QFile::remove(ruta)) {
        if (error) *error = QStringLiteral("cannot replace the link %1").arg(ruta);
        return false;
    }
    return DurableFile::save(ruta, unirLineas(lineas), error);
}

bool anadirLineas(const QString& ruta, const QStringList& lineas, QString* error) {
    QFile file(ruta);
    const QByteArray bytes = unirLineas(lineas);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size() ||
        !file.flush()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

QString TextoInofensivo(const QString& texto) {
    // Escapes start with a control character too: a text without one stays as it is, uncopied.
    const auto control = [](QChar q) {
        const char16_t c = q.unicode();
        return (c < 0x20 && c != u'\t') || c == 0x7F || (c >= 0x80 && c < 0xA0);
    };
    if (std::none_of(texto.cbegin(), texto.cend(), control)) return texto;
    QString limpio;
    limpio.reserve(texto.size());
    const qsizetype n = texto.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = texto[i].unicode();
        if (c == 0x1B || c == 0x9B || c == 0x9D) {
            // The escape and everything it opens go together.
            const bool csi = c == 0x9B || (c == 0x1B && i + 1 < n && texto[i + 1] == u'[');
            const bool osc = c == 0x9D || (c == 0x1B && i + 1 < n && texto[i + 1] == u']');
            if (c == 0x1B && i + 1 < n) ++i; // the character after ESC
            if (csi) {
                while (i + 1 < n && !(texto[i + 1].unicode() >= 0x40 && texto[i + 1].unicode() <= 0x7E))
                    ++i;
                if (i + 1 < n) ++i; // its final byte
            } else if (osc) {
                while (i + 1 < n && texto[i + 1] != u'\a' && texto[i + 1] != QChar(0x9C) &&
                       !(texto[i + 1] == QChar(0x1B) && i + 2 < n && texto[i + 2] == u'\\'))
                    ++i;
                if (i + 1 < n) i += texto[i + 1] == QChar(0x1B) ? 2 : 1;
            }
            continue;
        }
        if ((c < 0x20 && c != u'\t') || c == 0x7F || (c >= 0x80 && c < 0xA0)) continue;
        limpio += texto[i];
    }
    return limpio;
}

std::optional<qint32> leerEntero(const QString& texto) {
    const QString t = texto.trimmed();
    qsizetype i = 0;
    bool negativo = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) negativo = t[i++] == u'-';
    if (i == t.size()) return std::nullopt;
    qint64 valor = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < u'0' || t[i] > u'9') return std::nullopt;
        valor = valor * 10 + (t[i].unicode() - u'0');
        if (valor > qint64(1) << 31) return std::nullopt;
    }
    if (negativo) valor = -valor;
    if (valor > std::numeric_limits<qint32>::max()) return std::nullopt;
    return qint32(valor);
}

QStringList listarArchivos(const QString& carpeta, const QString& extension) {
    QStringList rutas;
    const QDir dir(carpeta);
    const auto entradas = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& info : entradas)
        if (info.isFile() && info.fileName().endsWith(extension, Qt::CaseInsensitive))
            rutas << info.filePath();
    return rutas;
}

} // namespace mailfiles

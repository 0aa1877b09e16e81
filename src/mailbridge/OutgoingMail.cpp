#include "mailbridge/OutgoingMail.h"

#include "core/Clock.h"
#include "core/Cp1252.h"
#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"
#include "profiles/ArchivoPerfiles.h"
#include "settings/ProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

QString NombreEmailSaliente(const QString& dirMail, const QString& descripcion, int numero) {
    QString name;
    for (QChar c : descripcion) {
        const bool bad = c.unicode() < 32 || c.unicode() == 127 || QStringLiteral("\\/:*?\"<>|").contains(c);
        name += bad ? QChar(u'_') : c;
    }
    if (!name.isEmpty() && name.count(QLatin1Char('.')) == name.size()) name.prepend(QLatin1Char('_'));
    return dirMail + name + QLatin1Char('_') + QString::number(numero) + QStringLiteral(".OUT");
}

QStringList LineasEmailSaliente(const RegistroAviso& r, const RegistroPerfiles& perfiles, const QDateTime& ahora) {
    const Perfil activo = perfiles.perfilActivo().value_or(Perfil());
    QStringList lines;
    lines << Marcadores::kCabecera << Marcadores::kFrom << activo.nombreUsuario
          << (QStringLiteral("<") + activo.emailUsuario).left(61) + QStringLiteral(">") << Marcadores::kDest;
    QStringList addresses;
    for (uint8_t k : r.Destinatarios)
        if (k != 0) addresses << perfiles.direccion(k);
    lines << QString::number(addresses.size()) << addresses;
    lines << Marcadores::kBody
          << LeerTexto(9101) + QLatin1Char(' ') + DisplayFormats::shortDate(ahora.date()) + QLatin1Char(' ') +
                 DisplayFormats::longTime(ahora.time())
          << QString() << LeerTexto(9102) << r.Descripcion << QString() << LeerTexto(9103);
    lines << QString(r.Texto).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(QLatin1Char('\n'));
    return lines;
}

bool CrearEmailSaliente(const RegistroAviso& r) {
    const auto& folders = ProgramFolders::global();
    const RegistroPerfiles perfiles = LeerPerfilesParaUso(RutaArchivoPerfiles(folders.dirPrograma));
    QDir().mkpath(folders.dirMail);
    return EscribirLineas(NombreEmailSaliente(folders.dirMail, r.Descripcion, r.Numero),
                          LineasEmailSaliente(r, perfiles, Clock::current().now()));
}

QStringList ListaEmailSaliente(const QString& dirMail) {
    QStringList out;
    const QDir dir(dirMail);
    for (const QString& f : dir.entryList({QStringLiteral("*.OUT")}, QDir::Files | QDir::Hidden | QDir::System,
                                          QDir::Name))
        out << dir.filePath(f);
    return out;
}

bool HayEmailSaliente(const QString& dirMail) { return !ListaEmailSaliente(dirMail).isEmpty(); }

void BorrarEmailSaliente(const QString& dirMail) {
    for (const QString& f : ListaEmailSaliente(dirMail)) QFile::remove(f);
}

int BuscarLinea(const QStringList& lineas, const QString& marcador) {
    for (int i = 0; i < lineas.size(); ++i) {
        const QString& l = lineas[i];
        qsizetype a = 0, b = l.size();
        while (a < b && l[a].unicode() <= 32) ++a;
        while (b > a && l[b - 1].unicode() <= 32) --b;
        if (QStringView(l).mid(a, b - a) == marcador) return i + 1;
    }
    return 0;
}

std::optional<MensajeSaliente> CargarEmailSaliente(const QString& ruta, QString* error) {
    auto fail = [&](const QString& why) -> std::optional<MensajeSaliente> {
        if (error) *error = why;
        return std::nullopt;
    };
    QStringList lines;
    if (!LeerLineas(ruta, lines)) return fail(QStringLiteral("cannot be read"));
    const int dest = BuscarLinea(lines, Marcadores::kDest);
    if (dest == 0) return fail(QStringLiteral("has no recipients section"));
    bool ok = false;
    const int count = dest < lines.size() ? lines[dest].trimmed().toInt(&ok) : 0;
    if (!ok) return fail(QStringLiteral("has no recipient count"));
    MensajeSaliente m;
    for (int i = 0; i < (count & 0xFF) && dest + 1 + i < lines.size(); ++i) m.destinatarios << lines[dest + 1 + i];
    const int body = BuscarLinea(lines, Marcadores::kBody);
    if (body == 0) return fail(QStringLiteral("has no body section"));
    m.cuerpo = lines.mid(body);
    return m;
}

bool LeerLineas(const QString& ruta, QStringList& lineas) {
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) return false;
    QString text = Cp1252::decode(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    lineas = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    return true;
}

bool EscribirLineas(const QString& ruta, const QStringList& lineas) {
    QSaveFile f(ruta);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QString text;
    for (const QString& l : lineas) text += l + QStringLiteral("\r\n");
    const QByteArray bytes = Cp1252::encode(text);
    return f.write(bytes) == bytes.size() && f.commit();
}

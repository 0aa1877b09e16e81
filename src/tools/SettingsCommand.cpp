// qvtool settings: list, read and write the reminder program's settings from
// their table, writing through the routine the program uses (so the write
// widths apply).
#include "core/Binary.h"
#include "platform/SettingsStore.h"
#include "settings/Ajustes.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"

#include <optional>

namespace {

const Ajustes::Descripcion* find(const QString& name) {
    for (const auto& d : Ajustes::visibles())
        if (name.compare(d.nombre, Qt::CaseInsensitive) == 0) return &d;
    return nullptr;
}

QString typeName(Ajustes::Tipo t) {
    switch (t) {
    case Ajustes::Tipo::String:
        return "string";
    case Ajustes::Tipo::Integer:
        return "integer";
    case Ajustes::Tipo::Boolean:
        return "boolean";
    case Ajustes::Tipo::Binary:
        return "binary";
    }
    return {};
}

QString show(const SettingValue& v) {
    switch (v.type) {
    case SettingType::String:
        return v.text;
    case SettingType::Integer:
        return QString::number(v.integer);
    case SettingType::Binary:
        return QString::fromLatin1(v.binary.toHex(' '));
    }
    return {};
}

bool parseBool(const QString& s, bool& ok) {
    ok = true;
    if (s == "1" || s.compare("true", Qt::CaseInsensitive) == 0 || s.compare("on", Qt::CaseInsensitive) == 0)
        return true;
    if (s == "0" || s.compare("false", Qt::CaseInsensitive) == 0 ||
        s.compare("off", Qt::CaseInsensitive) == 0)
        return false;
    ok = false;
    return false;
}

// `count` comma-separated integers as little-endian 32-bit fields (a rectangle's
// left, top, right, bottom; a point's x, y).
QByteArray fields(const QString& text, int count, bool& ok) {
    const QStringList parts = text.split(',', Qt::SkipEmptyParts);
    ok = parts.size() == count;
    QByteArray b(4 * count, '\0');
    for (int i = 0; ok && i < count; ++i)
        Binary::putI32(b.data() + 4 * i, parts[i].trimmed().toInt(&ok));
    return b;
}

// The value that `text` names for a setting of class `c` in its stored form;
// nullopt when it names none.
std::optional<SettingValue> parse(Ajustes::Clase c, const QString& text) {
    using Ajustes::Clase;
    SettingValue v;
    bool ok = true;
    switch (c) {
    case Clase::Texto:
        v.text = text;
        break;
    case Clase::Hora:
        v.text = text;
        ok = QTime::fromString(text, QStringLiteral("HH:mm")).isValid();
        break;
    case Clase::Entero:
        v.type = SettingType::Integer;
        v.integer = static_cast<qint32>(text.toLongLong(&ok)); // the setting's width applies when written
        break;
    case Clase::Booleano:
        v.type = SettingType::Integer;
        v.integer = parseBool(text, ok) ? 1 : 0;
        break;
    case Clase::Rect:
    case Clase::Punto:
        v.type = SettingType::Binary;
        v.binary = fields(text, c == Clase::Rect ? 4 : 2, ok);
        break;
    case Clase::Bytes:
        v.type = SettingType::Binary;
        v.binary = QByteArray::fromHex(text.toLatin1());
        break;
    }
    return ok ? std::optional(v) : std::nullopt;
}

bool sameType(Ajustes::Tipo t, SettingType stored) {
    switch (t) {
    case Ajustes::Tipo::String:
        return stored == SettingType::String;
    case Ajustes::Tipo::Integer:
    case Ajustes::Tipo::Boolean:
        return stored == SettingType::Integer;
    case Ajustes::Tipo::Binary:
        return stored == SettingType::Binary;
    }
    return false;
}

} // namespace

int settingsCommand(const QStringList& words) {
    CommandLine line(
        QStringLiteral("settings"), QStringLiteral("list | get NAME | set NAME VALUE"),
        QStringLiteral("Lists, reads or writes the reminder program's settings (NAME in any case)."));
    line.argument(QStringLiteral("list|get|set"), QStringLiteral("what to do"));
    line.optionsOnlyFirst();
    if (const auto rc = line.parse(words, 1, 3)) return *rc;
    const QStringList args = line.arguments();
    // Problems the settings routines meet are printed as the program would tell
    // them, and make the exit status non-zero.
    int problems = 0;
    Ajustes::setAvisador([&problems](const Ajustes::ProblemaAjuste& p) {
        ++problems;
        printErr(QString("qvtool: setting %1 in %2: %3").arg(p.valor, p.archivo, p.motivo));
    });
    try {
        const QString sub = args.value(0);
        auto store = Ajustes::abrirClave(false);
        if (sub == "list" && args.size() == 1) {
            for (const auto& d : Ajustes::visibles()) {
                const auto v = store->value(d.nombre);
                printOut(QString("%1\t%2\t%3").arg(d.nombre, typeName(d.tipo()), v ? show(*v) : "(missing)"));
                if (v && !sameType(d.tipo(), v->type)) {
                    ++problems;
                    printErr(
                        QString("qvtool: setting %1 in %2: the stored value is not of type %3; the program "
                                "uses its default")
                            .arg(d.nombre, Hives::userHivePath(), typeName(d.tipo())));
                }
            }
            return problems ? 1 : 0;
        }
        if (sub == "get" && args.size() == 2) {
            const auto* d = find(args[1]);
            if (!d) {
                printErr("qvtool: unknown setting " + args[1]);
                return 2;
            }
            const auto v = store->value(d->nombre);
            if (!v) {
                printErr(QString("qvtool: setting %1 does not exist").arg(d->nombre));
                return 1;
            }
            printOut(show(*v));
            return 0;
        }
        if (sub == "set" && args.size() == 3) {
            const auto* d = find(args[1]);
            if (!d) {
                printErr("qvtool: unknown setting " + args[1]);
                return 2;
            }
            Ajustes::abrirClave(true);
            if (d->soloDefectos()) {
                printErr(QString("qvtool: %1 is written only by the defaults").arg(d->nombre));
                return 2;
            }
            const auto value = parse(d->clase, args[2]);
            if (!value) {
                printErr(QString("qvtool: bad value for %1: %2").arg(d->nombre, args[2]));
                return 2;
            }
            Ajustes::escribir(*d, *value);
            return problems ? 1 : 0;
        }
    } catch (const SettingsError& e) {
        printErr(QString("qvtool: ") + e.what());
        return 1;
    }
    return line.usageError(QStringLiteral("settings: expected list, get NAME or set NAME VALUE"));
}

// qvtool settings: list, read and write the reminder program's settings through
// the same routines the program uses (so the write widths apply).
#include "platform/SettingsStore.h"
#include "settings/Ajustes.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"

#include <QHash>

#include <functional>

namespace {

const Ajustes::Descripcion* find(const QString& name) {
    for (const auto& d : Ajustes::tabla())
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

// Writes `text` to the setting `name` through its own write routine.
bool write(const QString& name, const QString& text, QString& error) {
    bool ok = true;
    const QStringList parts = text.split(',', Qt::SkipEmptyParts);
    auto num = [&]() { return text.toLongLong(&ok); };
    auto boolean = [&]() { return parseBool(text, ok); };
    auto ints = [&](int n) {
        QList<int> v;
        if (parts.size() != n) ok = false;
        for (const QString& p : parts)
            v << p.trimmed().toInt(&ok);
        return v;
    };
    using namespace Ajustes;
    const QHash<QString, std::function<void()>> writers = {
        {"OpenFile", [&] { setOpenFile(text); }},
        {"Splash",
         [&] {
             bool b = boolean();
             if (ok) setSplash(b);
         }},
        {"CheckEmailEvery",
         [&] {
             auto n = num();
             if (ok) setCheckEmailEvery(static_cast<quint16>(n));
         }},
        {"TimeOut",
         [&] {
             auto n = num();
             if (ok) setTimeOut(static_cast<quint8>(n));
         }},
        {"SendOnCheck",
         [&] {
             bool b = boolean();
             if (ok) setSendOnCheck(b);
         }},
        {"EraseUnsent",
         [&] {
             bool b = boolean();
             if (ok) setEraseUnsent(b);
         }},
        {"SaveReceived",
         [&] {
             bool b = boolean();
             if (ok) setSaveReceived(b);
         }},
        {"DueMsgs",
         [&] {
             bool b = boolean();
             if (ok) setDueMsgs(b);
         }},
        {"CloseMsgs",
         [&] {
             auto n = num();
             if (ok) setCloseMsgs(static_cast<quint8>(n));
         }},
        {"WorkingDays",
         [&] {
             auto n = num();
             if (ok) setWorkingDays(static_cast<quint8>(n));
         }},
        {"MsgWindowFmt",
         [&] {
             auto n = num();
             if (ok) setMsgWindowFmt(static_cast<quint8>(n));
         }},
        {"MsgWindowSndClassic", [&] { setMsgWindowSndClassic(text); }},
        {"MsgWindowSndDoggy", [&] { setMsgWindowSndDoggy(text); }},
        {"MsgWindowSndBabe", [&] { setMsgWindowSndBabe(text); }},
        {"Messages",
         [&] {
             bool b = boolean();
             if (ok) setMessages(b);
         }},
        {"Email",
         [&] {
             bool b = boolean();
             if (ok) setEmail(b);
         }},
        {"MsgWindowPos",
         [&] {
             auto v = ints(4);
             if (ok) setMsgWindowPos(QRect(QPoint(v[0], v[1]), QPoint(v[2] - 1, v[3] - 1)));
         }},
        {"MsgWindowExPos",
         [&] {
             auto v = ints(2);
             if (ok) setMsgWindowExPos(QPoint(v[0], v[1]));
         }},
    };
    const auto it = writers.find(name);
    if (it == writers.end()) {
        error = name + " is written only by the defaults";
        return false;
    }
    it.value()();
    if (!ok) error = "bad value for " + name + ": " + text;
    return ok;
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
            for (const auto& d : Ajustes::tabla()) {
                const auto v = store->value(d.nombre);
                printOut(QString("%1\t%2\t%3").arg(d.nombre, typeName(d.tipo), v ? show(*v) : "(missing)"));
                if (v && !sameType(d.tipo, v->type)) {
                    ++problems;
                    printErr(
                        QString("qvtool: setting %1 in %2: the stored value is not of type %3; the program "
                                "uses its default")
                            .arg(d.nombre, Hives::userHivePath(), typeName(d.tipo)));
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
            QString error;
            if (!write(d->nombre, args[2], error)) {
                printErr("qvtool: " + error);
                return 2;
            }
            return problems ? 1 : 0;
        }
    } catch (const SettingsError& e) {
        printErr(QString("qvtool: ") + e.what());
        return 1;
    }
    return line.usageError(QStringLiteral("settings: expected list, get NAME or set NAME VALUE"));
}

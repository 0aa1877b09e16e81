#include "settings/Ajustes.h"

#include "core/Binary.h"
#include "platform/Autostart.h"
#include "platform/SettingsStore.h"
#include "settings/InstalledProgram.h"
#include "settings/ProgramFolders.h"

#include <algorithm>
#include <optional>

namespace Ajustes {

std::unique_ptr<SettingsStore> abrirClave(bool create) {
    auto store = std::make_unique<FileSettingsStore>(Hives::userHivePath(), kSettingsKey);
    if (create) store->createKey();
    return store;
}

namespace {
Avisador g_avisador;
QList<ProblemaAjuste> g_contados;
QPoint g_topLeft; // the main window's corner, for the default alert positions

void avisar(ProblemaAjuste::Tipo tipo, const QString& valor, const QString& archivo, const QString& motivo) {
    const ProblemaAjuste p{tipo, valor, archivo, motivo};
    if (g_contados.contains(p)) return;
    g_contados << p;
    if (g_avisador)
        g_avisador(p);
    else
        qWarning("Orbalinder: setting %s in %s: %s", qPrintable(valor), qPrintable(archivo),
                 qPrintable(motivo));
}

QByteArray rectBytes(const QRect& r) {
    QByteArray b(16, '\0');
    Binary::putI32(b.data(), r.left());
    Binary::putI32(b.data() + 4, r.top());
    Binary::putI32(b.data() + 8, r.left() + r.width());
    Binary::putI32(b.data() + 12, r.top() + r.height());
    return b;
}
QByteArray pointBytes(const QPoint& p) {
    QByteArray b(8, '\0');
    Binary::putI32(b.data(), p.x());
    Binary::putI32(b.data() + 4, p.y());
    return b;
}

SettingValue porDefecto(const QString& name) {
    SettingValue v;
    auto text = [&](const QString& s) {
        v.type = SettingType::String;
        v.text = s;
    };
    auto num = [&](qint32 n) {
        v.type = SettingType::Integer;
        v.integer = n;
    };
    if (name == "OpenFile")
        text({});
    else if (name == "MajorVers")
        num(2);
    else if (name == "MinorVers")
        num(0);
    else if (name == "StartUp")
        text("Checked");
    else if (name == "Splash")
        num(1);
    else if (name == "CheckEmailEvery")
        num(30);
    else if (name == "TimeOut")
        num(2);
    else if (name == "SendOnCheck")
        num(0);
    else if (name == "EraseUnsent")
        num(1);
    else if (name == "SaveReceived")
        num(1);
    else if (name == "DueMsgs")
        num(1);
    else if (name == "CloseMsgs")
        num(15);
    else if (name == "WorkingDays")
        num(1);
    else if (name == "MsgWindowFmt")
        num(1);
    else if (name == "MsgWindowSndClassic")
        text(ObtenerDirPrograma() + "Aviso.WAV");
    else if (name == "MsgWindowSndDoggy")
        text(ObtenerDirPrograma() + "Bark.WAV");
    else if (name == "MsgWindowSndBabe")
        text(ObtenerDirPrograma() + "Whistle.WAV");
    else if (name == "Messages")
        num(1);
    else if (name == "Email")
        num(1);
    else if (name == "MsgWindowPos") {
        v.type = SettingType::Binary;
        v.binary = rectBytes(QRect(g_topLeft, QSize(295, 210)));
    } else if (name == "MsgWindowExPos") {
        v.type = SettingType::Binary;
        v.binary = pointBytes(g_topLeft);
    }
    return v;
}

// Values whose routines create the key when it is missing; the others expect it.
std::unique_ptr<SettingsStore> clave(bool create) {
    auto store = abrirClave(create);
    if (!create && !store->keyExists()) throw SettingsError("the settings key does not exist");
    return store;
}

// Runs one store access; a failure is told and `fallback` returned instead.
template <typename T, typename F>
T intentar(ProblemaAjuste::Tipo tipo, const char* nombre, F&& acceso, T fallback) {
    try {
        return acceso();
    } catch (const SettingsError& e) {
        avisar(tipo, QString::fromLatin1(nombre), Hives::userHivePath(), QString::fromUtf8(e.what()));
    } catch (const std::exception& e) { // a failed save or allocation trouble: told the same way
        avisar(tipo, QString::fromLatin1(nombre), Hives::userHivePath(), QString::fromUtf8(e.what()));
    }
    return fallback;
}
QString leerTexto(const char* n) {
    return intentar(
        ProblemaAjuste::Tipo::Lectura, n, [n] { return clave(false)->readString(n); }, porDefecto(n).text);
}
qint32 leerEntero(const char* n) {
    return intentar(
        ProblemaAjuste::Tipo::Lectura, n, [n] { return clave(false)->readInteger(n); },
        porDefecto(n).integer);
}
bool leerBool(const char* n, bool create) {
    return intentar(
        ProblemaAjuste::Tipo::Lectura, n, [n, create] { return clave(create)->readBool(n); },
        porDefecto(n).integer != 0);
}
QByteArray leerBinario(const char* n, int size) {
    return intentar(
        ProblemaAjuste::Tipo::Lectura, n,
        [n, size] {
            QByteArray b = clave(false)->readBinary(n, size);
            if (b.size() < size)
                throw SettingsError(QStringLiteral("Setting %1 is shorter than %2 bytes")
                                        .arg(QLatin1String(n))
                                        .arg(size)
                                        .toStdString());
            return b;
        },
        porDefecto(n).binary);
}
bool escribir(const char* n, bool create, const SettingValue& v) {
    return intentar(
        ProblemaAjuste::Tipo::Escritura, n,
        [&] {
            clave(create)->setValue(n, v);
            return true;
        },
        false);
}
bool escribirTexto(const char* n, const QString& v) {
    SettingValue s;
    s.text = v;
    return escribir(n, false, s);
}
bool escribirEntero(const char* n, qint32 v, bool create = false) {
    SettingValue s;
    s.type = SettingType::Integer;
    s.integer = v;
    return escribir(n, create, s);
}
bool escribirBool(const char* n, bool v, bool create) {
    return escribirEntero(n, v ? 1 : 0, create);
}
bool escribirBinario(const char* n, const QByteArray& v) {
    SettingValue s;
    s.type = SettingType::Binary;
    s.binary = v;
    return escribir(n, false, s);
}
} // namespace

void setAvisador(Avisador avisador) {
    g_avisador = std::move(avisador);
}
void olvidarProblemasContados() {
    g_contados.clear();
}

QString openFile() {
    return leerTexto("OpenFile");
}
bool setOpenFile(const QString& path) {
    return escribirTexto("OpenFile", path);
}
qint32 majorVers() {
    return leerEntero("MajorVers");
}
qint32 minorVers() {
    return leerEntero("MinorVers");
}
QString startUp() {
    return leerTexto("StartUp");
}
bool splash() {
    return leerBool("Splash", true);
}
bool setSplash(bool on) {
    return escribirBool("Splash", on, true);
}
qint32 checkEmailEvery() {
    return leerEntero("CheckEmailEvery");
}
bool setCheckEmailEvery(quint16 minutes) {
    return escribirEntero("CheckEmailEvery", minutes);
}
qint32 timeOut() {
    return leerEntero("TimeOut");
}
bool setTimeOut(quint8 minutes) {
    return escribirEntero("TimeOut", minutes);
}
bool sendOnCheck() {
    return leerBool("SendOnCheck", true);
}
bool setSendOnCheck(bool on) {
    return escribirBool("SendOnCheck", on, true);
}
bool eraseUnsent() {
    return leerBool("EraseUnsent", true);
}
bool setEraseUnsent(bool on) {
    return escribirBool("EraseUnsent", on, true);
}
bool saveReceived() {
    return leerBool("SaveReceived", true);
}
bool setSaveReceived(bool on) {
    return escribirBool("SaveReceived", on, true);
}
bool dueMsgs() {
    return leerBool("DueMsgs", true);
}
bool setDueMsgs(bool on) {
    return escribirBool("DueMsgs", on, true);
}
int closeMsgs() {
    return leerEntero("CloseMsgs") & 0xFF;
}
bool setCloseMsgs(quint8 minutes) {
    return escribirEntero("CloseMsgs", minutes);
}
qint32 workingDays() {
    return leerEntero("WorkingDays");
}
bool setWorkingDays(quint8 kind) {
    return escribirEntero("WorkingDays", kind);
}
qint32 msgWindowFmt() {
    return leerEntero("MsgWindowFmt");
}
bool setMsgWindowFmt(quint8 style) {
    return escribirEntero("MsgWindowFmt", style);
}
QString msgWindowSndClassic() {
    return leerTexto("MsgWindowSndClassic");
}
bool setMsgWindowSndClassic(const QString& path) {
    return escribirTexto("MsgWindowSndClassic", path);
}
QString msgWindowSndDoggy() {
    return leerTexto("MsgWindowSndDoggy");
}
bool setMsgWindowSndDoggy(const QString& path) {
    return escribirTexto("MsgWindowSndDoggy", path);
}
QString msgWindowSndBabe() {
    return leerTexto("MsgWindowSndBabe");
}
bool setMsgWindowSndBabe(const QString& path) {
    return escribirTexto("MsgWindowSndBabe", path);
}
bool messages() {
    return leerBool("Messages", true);
}
bool setMessages(bool on) {
    return escribirBool("Messages", on, true);
}
bool email() {
    return leerBool("Email", true);
}
bool setEmail(bool on) {
    return escribirBool("Email", on, true);
}

QRect msgWindowPos() {
    const QByteArray b = leerBinario("MsgWindowPos", 16);
    const int l = Binary::getI32(b.data()), t = Binary::getI32(b.data() + 4);
    const int r = Binary::getI32(b.data() + 8), bo = Binary::getI32(b.data() + 12);
    return QRect(l, t, r - l, bo - t);
}
bool setMsgWindowPos(const QRect& g) {
    return escribirBinario("MsgWindowPos", rectBytes(g));
}

QPoint msgWindowExPos() {
    const QByteArray b = leerBinario("MsgWindowExPos", 8);
    return QPoint(Binary::getI32(b.data()), Binary::getI32(b.data() + 4));
}
bool setMsgWindowExPos(const QPoint& p) {
    return escribirBinario("MsgWindowExPos", pointBytes(p));
}

bool ExisteArranqueWindows() {
    return Autostart::exists();
}

namespace {
// Values outside the table: missing (or unreadable) reads as not yet set.
std::optional<SettingValue> opcional(const char* n) {
    try {
        const auto store = abrirClave(false);
        return store->keyExists() ? store->value(n) : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}
QByteArray leerBinarioOpcional(const char* n) {
    const auto v = opcional(n);
    return v && v->type == SettingType::Binary ? v->binary : QByteArray();
}
} // namespace

bool trayNoticeShown() {
    const auto v = opcional("TrayNoticeShown");
    return v && v->type == SettingType::Integer && v->integer != 0;
}
bool setTrayNoticeShown(bool on) {
    return escribirBool("TrayNoticeShown", on, true);
}
QByteArray mainWindowState() {
    return leerBinarioOpcional("MainWindowState");
}
bool setMainWindowState(const QByteArray& state) {
    return escribirBinario("MainWindowState", state);
}
QByteArray listColumns() {
    return leerBinarioOpcional("ListColumns");
}
bool setListColumns(const QByteArray& state) {
    return escribirBinario("ListColumns", state);
}
QString lastSnooze() {
    const auto v = opcional("LastSnooze");
    return v && v->type == SettingType::String ? v->text : QString();
}
bool setLastSnooze(const QString& key) {
    return escribirTexto("LastSnooze", key);
}

QTime allDayTime() {
    const auto v = opcional("AllDayTime");
    const QTime t = v && v->type == SettingType::String ? QTime::fromString(v->text, QStringLiteral("HH:mm")) : QTime();
    return t.isValid() ? t : QTime(9, 0);
}
bool setAllDayTime(QTime time) {
    SettingValue s;
    s.text = time.toString(QStringLiteral("HH:mm"));
    return escribir("AllDayTime", true, s);
}

bool GuardarArranqueWindows(bool on) {
    const QString folder = ObtenerDirPrograma();
    if (Autostart::set(on, InstalledProgram::executable(QStringLiteral("QV"), folder), folder)) return true;
    avisar(ProblemaAjuste::Tipo::Arranque, Autostart::entryPath(), Autostart::entryPath(),
           on ? QStringLiteral("the entry cannot be written")
              : QStringLiteral("the entry cannot be removed"));
    return false;
}

const QVector<Descripcion>& tabla() {
    static const QVector<Descripcion> t = {
        {"OpenFile", Tipo::String},
        {"MajorVers", Tipo::Integer},
        {"MinorVers", Tipo::Integer},
        {"StartUp", Tipo::String},
        {"Splash", Tipo::Boolean},
        {"CheckEmailEvery", Tipo::Integer},
        {"TimeOut", Tipo::Integer},
        {"SendOnCheck", Tipo::Boolean},
        {"EraseUnsent", Tipo::Boolean},
        {"SaveReceived", Tipo::Boolean},
        {"DueMsgs", Tipo::Boolean},
        {"CloseMsgs", Tipo::Integer},
        {"WorkingDays", Tipo::Integer},
        {"MsgWindowFmt", Tipo::Integer},
        {"MsgWindowSndClassic", Tipo::String},
        {"MsgWindowSndDoggy", Tipo::String},
        {"MsgWindowSndBabe", Tipo::String},
        {"Messages", Tipo::Boolean},
        {"Email", Tipo::Boolean},
        {"MsgWindowPos", Tipo::Binary},
        {"MsgWindowExPos", Tipo::Binary},
    };
    return t;
}

bool CrearAjustesPorDefecto(QPoint topLeft) {
    g_topLeft = topLeft;
    bool ok = true;
    std::unique_ptr<SettingsStore> store;
    QList<QPair<QString, SettingValue>> present;
    try {
        store = abrirClave(true);
        for (const QString& name : store->valueNames())
            if (auto v = store->value(name)) present.append({name, *v});
    } catch (const SettingsError& e) {
        avisar(ProblemaAjuste::Tipo::Escritura, QString::fromLatin1(kSettingsKey), Hives::userHivePath(),
               QString::fromUtf8(e.what()));
        return false;
    }
    auto tipoDe = [](Tipo t) {
        return t == Tipo::String   ? SettingType::String
               : t == Tipo::Binary ? SettingType::Binary
                                   : SettingType::Integer;
    };
    for (const Descripcion& d : tabla()) {
        const auto it = std::find_if(present.cbegin(), present.cend(), [&](const auto& p) {
            return p.first.compare(QLatin1String(d.nombre), Qt::CaseInsensitive) == 0;
        });
        if (it != present.cend() && it->second.type == tipoDe(d.tipo)) continue;
        if (it != present.cend()) // a value of the wrong type counts as missing; the user is told
            avisar(ProblemaAjuste::Tipo::Lectura, QString::fromLatin1(d.nombre), Hives::userHivePath(),
                   QStringLiteral("the stored value has the wrong type; its default replaces it"));
        ok = escribir(d.nombre, false, porDefecto(d.nombre)) && ok;
        if (qstrcmp(d.nombre, "StartUp") == 0) ok = GuardarArranqueWindows(true) && ok;
    }
    return ok;
}

} // namespace Ajustes

#include "settings/Ajustes.h"

#include "core/Binary.h"
#include "platform/Autostart.h"
#include "platform/SettingsStore.h"
#include "settings/InstalledProgram.h"
#include "settings/ProgramFolders.h"

namespace Ajustes {

std::unique_ptr<SettingsStore> abrirClave(bool create) {
    auto store = std::make_unique<FileSettingsStore>(Hives::userHivePath(), kSettingsKey);
    if (create) store->createKey();
    return store;
}

namespace {
// Values whose routines create the key when it is missing; the others expect it.
std::unique_ptr<SettingsStore> clave(bool create) {
    auto store = abrirClave(create);
    if (!create && !store->keyExists()) throw SettingsError("The settings key does not exist");
    return store;
}
QString leerTexto(const char* n) { return clave(false)->readString(n); }
qint32 leerEntero(const char* n) { return clave(false)->readInteger(n); }
bool leerBool(const char* n, bool create) { return clave(create)->readBool(n); }
void escribirTexto(const char* n, const QString& v) { clave(false)->writeString(n, v); }
void escribirEntero(const char* n, qint32 v) { clave(false)->writeInteger(n, v); }
void escribirBool(const char* n, bool v, bool create) { clave(create)->writeBool(n, v); }

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
} // namespace

QString openFile() { return leerTexto("OpenFile"); }
void setOpenFile(const QString& path) { escribirTexto("OpenFile", path); }
qint32 majorVers() { return leerEntero("MajorVers"); }
qint32 minorVers() { return leerEntero("MinorVers"); }
QString startUp() { return leerTexto("StartUp"); }
bool splash() { return leerBool("Splash", true); }
void setSplash(bool on) { escribirBool("Splash", on, true); }
qint32 checkEmailEvery() { return leerEntero("CheckEmailEvery"); }
void setCheckEmailEvery(quint16 minutes) { escribirEntero("CheckEmailEvery", minutes); }
qint32 timeOut() { return leerEntero("TimeOut"); }
void setTimeOut(quint8 minutes) { escribirEntero("TimeOut", minutes); }
bool sendOnCheck() { return leerBool("SendOnCheck", true); }
void setSendOnCheck(bool on) { escribirBool("SendOnCheck", on, true); }
bool eraseUnsent() { return leerBool("EraseUnsent", true); }
void setEraseUnsent(bool on) { escribirBool("EraseUnsent", on, true); }
bool saveReceived() { return leerBool("SaveReceived", true); }
void setSaveReceived(bool on) { escribirBool("SaveReceived", on, true); }
bool dueMsgs() { return leerBool("DueMsgs", true); }
void setDueMsgs(bool on) { escribirBool("DueMsgs", on, true); }
int closeMsgs() { return leerEntero("CloseMsgs") & 0xFF; }
void setCloseMsgs(quint8 minutes) { escribirEntero("CloseMsgs", minutes); }
qint32 workingDays() { return leerEntero("WorkingDays"); }
void setWorkingDays(quint8 kind) { escribirEntero("WorkingDays", kind); }
qint32 msgWindowFmt() { return leerEntero("MsgWindowFmt"); }
void setMsgWindowFmt(quint8 style) { escribirEntero("MsgWindowFmt", style); }
QString msgWindowSndClassic() { return leerTexto("MsgWindowSndClassic"); }
void setMsgWindowSndClassic(const QString& path) { escribirTexto("MsgWindowSndClassic", path); }
QString msgWindowSndDoggy() { return leerTexto("MsgWindowSndDoggy"); }
void setMsgWindowSndDoggy(const QString& path) { escribirTexto("MsgWindowSndDoggy", path); }
QString msgWindowSndBabe() { return leerTexto("MsgWindowSndBabe"); }
void setMsgWindowSndBabe(const QString& path) { escribirTexto("MsgWindowSndBabe", path); }
bool messages() { return leerBool("Messages", true); }
void setMessages(bool on) { escribirBool("Messages", on, true); }
bool email() { return leerBool("Email", true); }
void setEmail(bool on) { escribirBool("Email", on, true); }

QRect msgWindowPos() {
    const QByteArray b = clave(false)->readBinary("MsgWindowPos", 16);
    if (b.size() < 16) throw SettingsError("Setting MsgWindowPos is shorter than 16 bytes");
    const int l = Binary::getI32(b.data()), t = Binary::getI32(b.data() + 4);
    const int r = Binary::getI32(b.data() + 8), bo = Binary::getI32(b.data() + 12);
    return QRect(l, t, r - l, bo - t);
}
void setMsgWindowPos(const QRect& g) { clave(false)->writeBinary("MsgWindowPos", rectBytes(g)); }

QPoint msgWindowExPos() {
    const QByteArray b = clave(false)->readBinary("MsgWindowExPos", 8);
    if (b.size() < 8) throw SettingsError("Setting MsgWindowExPos is shorter than 8 bytes");
    return QPoint(Binary::getI32(b.data()), Binary::getI32(b.data() + 4));
}
void setMsgWindowExPos(const QPoint& p) { clave(false)->writeBinary("MsgWindowExPos", pointBytes(p)); }

bool ExisteArranqueWindows() { return Autostart::exists(); }

void GuardarArranqueWindows(bool on) {
    const QString folder = ObtenerDirPrograma();
    if (!Autostart::set(on, InstalledProgram::executable(QStringLiteral("QV"), folder), folder))
        throw SettingsError("Cannot change the start-at-login entry " + Autostart::entryPath().toStdString());
}

const QVector<Descripcion>& tabla() {
    static const QVector<Descripcion> t = {
        {"OpenFile", Tipo::String},         {"MajorVers", Tipo::Integer},
        {"MinorVers", Tipo::Integer},       {"StartUp", Tipo::String},
        {"Splash", Tipo::Boolean},          {"CheckEmailEvery", Tipo::Integer},
        {"TimeOut", Tipo::Integer},         {"SendOnCheck", Tipo::Boolean},
        {"EraseUnsent", Tipo::Boolean},     {"SaveReceived", Tipo::Boolean},
        {"DueMsgs", Tipo::Boolean},         {"CloseMsgs", Tipo::Integer},
        {"WorkingDays", Tipo::Integer},     {"MsgWindowFmt", Tipo::Integer},
        {"MsgWindowSndClassic", Tipo::String}, {"MsgWindowSndDoggy", Tipo::String},
        {"MsgWindowSndBabe", Tipo::String}, {"Messages", Tipo::Boolean},
        {"Email", Tipo::Boolean},           {"MsgWindowPos", Tipo::Binary},
        {"MsgWindowExPos", Tipo::Binary},
    };
    return t;
}

bool CrearAjustesPorDefecto(QPoint topLeft) {
    auto store = abrirClave(true);
    const QString dir = ObtenerDirPrograma();
    auto defaultOf = [&](const QString& name) -> SettingValue {
        SettingValue v;
        auto text = [&](const QString& s) { v.type = SettingType::String; v.text = s; };
        auto num = [&](qint32 n) { v.type = SettingType::Integer; v.integer = n; };
        if (name == "OpenFile") text({});
        else if (name == "MajorVers") num(2);
        else if (name == "MinorVers") num(0);
        else if (name == "StartUp") text("Checked");
        else if (name == "Splash") num(1);
        else if (name == "CheckEmailEvery") num(30);
        else if (name == "TimeOut") num(2);
        else if (name == "SendOnCheck") num(0);
        else if (name == "EraseUnsent") num(1);
        else if (name == "SaveReceived") num(1);
        else if (name == "DueMsgs") num(1);
        else if (name == "CloseMsgs") num(15);
        else if (name == "WorkingDays") num(1);
        else if (name == "MsgWindowFmt") num(1);
        else if (name == "MsgWindowSndClassic") text(dir + "Aviso.WAV");
        else if (name == "MsgWindowSndDoggy") text(dir + "Bark.WAV");
        else if (name == "MsgWindowSndBabe") text(dir + "Whistle.WAV");
        else if (name == "Messages") num(1);
        else if (name == "Email") num(1);
        else if (name == "MsgWindowPos") {
            v.type = SettingType::Binary;
            v.binary = rectBytes(QRect(topLeft, QSize(295, 210)));
        } else if (name == "MsgWindowExPos") {
            v.type = SettingType::Binary;
            v.binary = pointBytes(topLeft);
        }
        return v;
    };
    const QStringList present = store->valueNames();
    for (const Descripcion& d : tabla()) {
        if (present.contains(d.nombre, Qt::CaseInsensitive)) continue;
        store->setValue(d.nombre, defaultOf(d.nombre));
        if (qstrcmp(d.nombre, "StartUp") == 0) GuardarArranqueWindows(true);
    }
    return true;
}

} // namespace Ajustes

#include "settings/Ajustes.h"

#include "core/Binary.h"
#include "platform/Autostart.h"
#include "platform/SettingsStore.h"
#include "settings/InstalledProgram.h"
#include "settings/ProgramFolders.h"

#include <algorithm>
#include <limits>

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

// The rows in the order of TablaAjustes.def.
constexpr Descripcion kFilas[] = {
#define AJUSTE(nombre, lector, clase, defecto, rango, ancho, opciones)                                       \
    {#nombre, Clase::clase, defecto, rango, ancho, opciones},
#include "settings/TablaAjustes.def"
#undef AJUSTE
};

constexpr SettingType guardadoComo(Clase c) {
    switch (tipoDe(c)) {
    case Tipo::String:
        return SettingType::String;
    case Tipo::Integer:
    case Tipo::Boolean:
        return SettingType::Integer;
    case Tipo::Binary:
        break;
    }
    return SettingType::Binary;
}

// The size a binary value must have; -1: any.
constexpr int bytesDe(Clase c) {
    return c == Clase::Rect ? 16 : c == Clase::Punto ? 8 : -1;
}

SettingValue porDefecto(const Descripcion& d) {
    SettingValue v;
    v.type = guardadoComo(d.clase);
    const Defecto& f = d.defecto;
    switch (f.forma) {
    case Defecto::Forma::Texto:
        v.text = QString::fromLatin1(f.texto);
        break;
    case Defecto::Forma::Entero:
        v.integer = f.entero;
        break;
    case Defecto::Forma::EnCarpeta:
        v.text = ObtenerDirPrograma() + QString::fromLatin1(f.texto);
        break;
    case Defecto::Forma::Ventana:
        v.binary = rectBytes(QRect(g_topLeft, QSize(f.ancho, f.alto)));
        break;
    case Defecto::Forma::Esquina:
        v.binary = pointBytes(g_topLeft);
        break;
    case Defecto::Forma::Vacio:
        break;
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
bool guardar(const char* n, bool create, const SettingValue& v) {
    return intentar(
        ProblemaAjuste::Tipo::Escritura, n,
        [&] {
            clave(create)->setValue(n, v);
            return true;
        },
        false);
}

// A value of the program's windows, or one the defaults leave out: missing,
// unreadable or of another type reads as its default, untold.
SettingValue leerPropio(const Descripcion& d, const SettingValue& defecto) {
    try {
        const auto store = abrirClave(false);
        if (!store->keyExists()) return defecto;
        const auto v = store->value(d.nombre);
        if (v && v->type == defecto.type) return *v;
    } catch (const std::exception&) {
    }
    return defecto;
}

SettingValue leer(const Descripcion& d) {
    const SettingValue defecto = porDefecto(d);
    if (d.propio() || d.opcional()) return leerPropio(d, defecto);
    SettingValue v = intentar(
        ProblemaAjuste::Tipo::Lectura, d.nombre,
        [&d, &defecto] {
            const auto store = clave(d.crea());
            SettingValue leido = defecto;
            switch (defecto.type) {
            case SettingType::String:
                leido.text = store->readString(d.nombre);
                break;
            case SettingType::Integer:
                leido.integer = store->readInteger(d.nombre);
                break;
            case SettingType::Binary: {
                const int size = bytesDe(d.clase);
                leido.binary = store->readBinary(d.nombre, size < 0 ? std::numeric_limits<int>::max() : size);
                if (leido.binary.size() < size)
                    throw SettingsError(QStringLiteral("Setting %1 is shorter than %2 bytes")
                                            .arg(QLatin1String(d.nombre))
                                            .arg(size)
                                            .toStdString());
                break;
            }
            }
            return leido;
        },
        defecto);
    if (d.ancho.leidos < 32) v.integer &= (1 << d.ancho.leidos) - 1;
    return v;
}

// The typed value of a stored one, and back.
template <Clase C> typename TipoDe<C>::T desde(const SettingValue& v, const Descripcion& d) {
    if constexpr (C == Clase::Texto) {
        return v.text;
    } else if constexpr (C == Clase::Entero) {
        return v.integer;
    } else if constexpr (C == Clase::Booleano) {
        return v.integer != 0;
    } else if constexpr (C == Clase::Rect) {
        const char* b = v.binary.constData();
        const int l = Binary::getI32(b), t = Binary::getI32(b + 4);
        return QRect(l, t, Binary::getI32(b + 8) - l, Binary::getI32(b + 12) - t);
    } else if constexpr (C == Clase::Punto) {
        return QPoint(Binary::getI32(v.binary.constData()), Binary::getI32(v.binary.constData() + 4));
    } else if constexpr (C == Clase::Bytes) {
        return v.binary;
    } else {
        const QTime t = QTime::fromString(v.text, QStringLiteral("HH:mm"));
        return t.isValid() ? t : QTime::fromString(porDefecto(d).text, QStringLiteral("HH:mm"));
    }
}
template <Clase C> SettingValue hacia(const typename TipoDe<C>::T& x) {
    SettingValue v;
    v.type = guardadoComo(C);
    if constexpr (C == Clase::Texto)
        v.text = x;
    else if constexpr (C == Clase::Entero)
        v.integer = x;
    else if constexpr (C == Clase::Booleano)
        v.integer = x ? 1 : 0;
    else if constexpr (C == Clase::Rect)
        v.binary = rectBytes(x);
    else if constexpr (C == Clase::Punto)
        v.binary = pointBytes(x);
    else if constexpr (C == Clase::Bytes)
        v.binary = x;
    else
        v.text = x.toString(QStringLiteral("HH:mm"));
    return v;
}
} // namespace

void setAvisador(Avisador avisador) {
    g_avisador = std::move(avisador);
}
void olvidarProblemasContados() {
    g_contados.clear();
}

bool escribir(const Descripcion& d, const SettingValue& valor) {
    SettingValue v = valor;
    if (v.type == SettingType::Integer && d.ancho.escritos < 32)
        v.integer &= static_cast<qint32>((1u << d.ancho.escritos) - 1);
    return guardar(d.nombre, d.crea(), v);
}

#define AJUSTE(nombre, lector, clase, ...)                                                                   \
    TipoDe<Clase::clase>::T lector() {                                                                       \
        const Descripcion& d = kFilas[int(Id::nombre)];                                                      \
        return desde<Clase::clase>(leer(d), d);                                                              \
    }                                                                                                        \
    bool set##nombre(const TipoDe<Clase::clase>::T& valor) {                                                 \
        return escribir(kFilas[int(Id::nombre)], hacia<Clase::clase>(valor));                                \
    }
#include "settings/TablaAjustes.def"
#undef AJUSTE

bool ExisteArranqueWindows() {
    return Autostart::exists();
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
    static const QVector<Descripcion> t = [] {
        QVector<Descripcion> filas;
        for (const Descripcion& d : kFilas)
            if (!d.propio() && !d.opcional()) filas << d;
        return filas;
    }();
    return t;
}

const QVector<Descripcion>& visibles() {
    static const QVector<Descripcion> t = [] {
        QVector<Descripcion> filas = tabla();
        for (const Descripcion& d : kFilas)
            if (d.opcional()) filas << d;
        return filas;
    }();
    return t;
}

const Descripcion& descripcion(Id id) {
    return kFilas[int(id)];
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
    for (const Descripcion& d : tabla()) {
        const auto it = std::find_if(present.cbegin(), present.cend(), [&](const auto& p) {
            return p.first.compare(QLatin1String(d.nombre), Qt::CaseInsensitive) == 0;
        });
        if (it != present.cend() && it->second.type == guardadoComo(d.clase)) continue;
        if (it != present.cend()) // a value of the wrong type counts as missing; the user is told
            avisar(ProblemaAjuste::Tipo::Lectura, QString::fromLatin1(d.nombre), Hives::userHivePath(),
                   QStringLiteral("the stored value has the wrong type; its default replaces it"));
        ok = guardar(d.nombre, false, porDefecto(d)) && ok;
        if (qstrcmp(d.nombre, "StartUp") == 0) ok = GuardarArranqueWindows(true) && ok;
    }
    return ok;
}

QStringList rutasActivas() {
    QStringList rutas;
    for (const QByteArray& parte : activeFiles().split('\0'))
        if (!parte.isEmpty()) rutas << QString::fromUtf8(parte);
    return rutas;
}

bool guardarRutasActivas(const QStringList& rutas) {
    QByteArray bytes;
    for (const QString& ruta : rutas)
        bytes += ruta.toUtf8() + '\0';
    return setActiveFiles(bytes);
}

} // namespace Ajustes

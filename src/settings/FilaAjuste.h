#pragma once
// One row of the settings table (TablaAjustes.def): a setting's name, what it
// holds, its default, range and width, and who creates and writes it.
#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTime>

namespace Ajustes {

// What a setting holds: the type its reader gives and how the value is stored.
enum class Clase {
    Texto,    // QString, a string value
    Entero,   // qint32, an integer value
    Booleano, // bool, an integer value (any non-zero reads as true, writes 1 or 0)
    Rect,     // QRect, 16 binary bytes: left, top, right, bottom
    Punto,    // QPoint, 8 binary bytes: x, y
    Bytes,    // QByteArray, a binary value of any size
    Hora,     // QTime, a string "HH:MM" (one that is not a time reads as the default)
};
template <Clase> struct TipoDe;
template <> struct TipoDe<Clase::Texto> { using T = QString; };
template <> struct TipoDe<Clase::Entero> { using T = qint32; };
template <> struct TipoDe<Clase::Booleano> { using T = bool; };
template <> struct TipoDe<Clase::Rect> { using T = QRect; };
template <> struct TipoDe<Clase::Punto> { using T = QPoint; };
template <> struct TipoDe<Clase::Bytes> { using T = QByteArray; };
template <> struct TipoDe<Clase::Hora> { using T = QTime; };

// How qvtool names the stored kinds.
enum class Tipo { String, Integer, Boolean, Binary };
constexpr Tipo tipoDe(Clase c) {
    switch (c) {
    case Clase::Texto:
    case Clase::Hora:
        return Tipo::String;
    case Clase::Entero:
        return Tipo::Integer;
    case Clase::Booleano:
        return Tipo::Boolean;
    case Clase::Rect:
    case Clase::Punto:
    case Clase::Bytes:
        break;
    }
    return Tipo::Binary;
}

// The default of a row (the words of TablaAjustes.def).
struct Defecto {
    enum class Forma { Texto, Entero, EnCarpeta, Ventana, Esquina, Vacio } forma = Forma::Vacio;
    const char* texto = "";
    qint32 entero = 0;
    int ancho = 0, alto = 0;
};
constexpr Defecto texto(const char* t) {
    return {Defecto::Forma::Texto, t};
}
constexpr Defecto entero(qint32 n) {
    return {Defecto::Forma::Entero, "", n};
}
constexpr Defecto enCarpeta(const char* archivo) {
    return {Defecto::Forma::EnCarpeta, archivo};
}
constexpr Defecto ventana(int ancho, int alto) {
    return {Defecto::Forma::Ventana, "", 0, ancho, alto};
}
constexpr Defecto esquina() {
    return {Defecto::Forma::Esquina};
}
constexpr Defecto vacio() {
    return {};
}

// What the preferences offer (writes keep only the value's width).
struct Rango {
    qint32 minimo = 0, maximo = 0;
};
constexpr Rango rango(qint32 minimo, qint32 maximo) {
    return {minimo, maximo};
}

// Bits an integer keeps when written and when read.
struct Ancho {
    int escritos = 32, leidos = 32;
};
constexpr Ancho bits(int escritos, int leidos = 32) {
    return {escritos, leidos};
}

inline constexpr unsigned kCrea = 1, kSoloDefectos = 2, kPropio = 4, kOpcional = 8;

struct Descripcion {
    const char* nombre;
    Clase clase;
    Defecto defecto;
    Rango rango;
    Ancho ancho;
    unsigned opciones;

    Tipo tipo() const { return tipoDe(clase); }
    bool crea() const { return opciones & kCrea; }
    bool soloDefectos() const { return opciones & kSoloDefectos; }
    bool propio() const { return opciones & kPropio; }
    bool opcional() const { return opciones & kOpcional; }
};

// The rows by name: Ajustes::Id::CheckEmailEvery.
enum class Id {
#define AJUSTE(nombre, ...) nombre,
#include "settings/TablaAjustes.def"
#undef AJUSTE
};

} // namespace Ajustes

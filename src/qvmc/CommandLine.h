#pragma once
// The mail client's three arguments: send ("SMTP"), receive ("POP3"), minutes.
#include <QStringList>

struct OrdenSesion {
    bool enviar = false;
    bool recibir = false;
    quint8 minutos = 1;
    bool minutosValidos = false; // false: both phases are switched off
};

// Arguments as given after the program name. Case matters; blanks around a
// flag are ignored; only the low 8 bits of the minutes are kept; a fourth
// argument is ignored.
OrdenSesion LeerLineaComandos(const QStringList& args);

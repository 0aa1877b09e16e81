#pragma once
// The mail client's command line: send flag, receive flag, time-out minutes.
#include <QString>
#include <QStringList>

namespace mailfiles {

struct LineaComandos {
    bool sinArgumentos = false; // started with no argument at all: refuse to run
    bool enviar = false;        // argument 1, trimmed, is exactly "SMTP"
    bool recibir = false;       // argument 2, trimmed, is exactly "POP3"
    // Both phases' minute counters: the low 8 bits of argument 3. When argument
    // 3 is missing or not a number both phases are off and the counters are 1.
    // 0 stands for 256 minutes (the first tick wraps it to 255).
    quint8 minutos = 1;
    bool minutosValidos = false;
    // The lines the session logs for its command line (nothing when argument 3
    // was not a number).
    QStringList eventos;
};

// `argumentos` are the arguments after the program name; a fourth and later
// ones are ignored.
LineaComandos LeerLineaComandos(const QStringList& argumentos);

} // namespace mailfiles

#pragma once
// The reminders files that fire at once: the one the window shows and every
// other one the user opened and has not closed. Each keeps what its due-check
// pass remembers between passes. The list lives in the setting ActiveFiles.
// No widgets.
#include "qv/logic/PasadaAvisos.h"
#include "store/ReminderFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <list>

class ArchivosActivos {
public:
    struct Archivo {
        QString ruta;
        MemoriaPasada memoria;
        QDateTime ultimaPasada; // moment of its last pass (catch-up of missed minutes)
        bool fallido = false;   // its last pass failed: told once until one succeeds
    };

    // The list as the setting keeps it, with `mostrado` in it when given.
    void cargar(const QString& mostrado);
    void guardar() const;
    // Adds a file at the end; false when it is there already.
    bool anadir(const QString& ruta, const QDateTime& ultimaPasada);
    bool quitar(const QString& ruta);
    bool contiene(const QString& ruta) const { return buscar(ruta) != nullptr; }
    Archivo* buscar(const QString& ruta);
    const Archivo* buscar(const QString& ruta) const;
    QStringList rutas() const;
    int cuenta() const { return int(m_archivos.size()); }

    // The display-order index of a file not shown: its own in TEMP/, so that
    // a compaction of it never touches the shown file's index.
    static QString indiceDe(const QString& dirTemp, const QString& ruta);

    // One due-check pass at `ahora` over every file but `mostrado` (the
    // window runs that one's pass, as its list shows it). With `ponerAlDia`,
    // minutes since each file's last pass are caught up. `acciones` gives what
    // a pass of that file does with what it finds; `alFallar` hears the first
    // failure of a file since its last good pass.
    void pasadaOtros(const QString& mostrado, const QDateTime& ahora, bool ponerAlDia, int workingDays,
                     const QString& dirTemp, const std::function<AccionesPasada(const QString&)>& acciones,
                     const std::function<void(const QString&, const ReminderFileError&)>& alFallar);

private:
    std::list<Archivo> m_archivos;
};

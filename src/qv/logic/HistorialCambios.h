#pragma once
// The user's own changes to reminders files, most recent last, for Undo. Each
// change keeps what takes it back through the store's routines (the record
// before an edit or a deletion, the numbers an import appended) and the
// file's summaries right after it, so that the reminders it touched are found
// again by their identity however passes and other programs have moved them
// since. No widgets.
#include "store/RegistroAviso.h"
#include "store/ResumenesAvisos.h"

#include <QString>

#include <deque>

class HistorialCambios {
public:
    enum class Tipo { Creacion, Edicion, Eliminacion, Conmutacion, Importacion };
    static constexpr int kMaximo = 50; // the oldest changes are forgotten beyond this

    struct Resultado {
        bool hecho = false; // false: the reminder is no longer in the file, nothing was changed
        Tipo tipo = Tipo::Edicion;
        QString archivo;     // the file changed back
        QString descripcion; // of the reminder concerned
        quint16 numero = 0;  // the reminder to choose afterwards; 0 for none
    };

    // `despues`: the file's summaries read right after the change.
    void creado(const QString& archivo, quint16 numero, const ResumenesAvisos& despues);
    void editado(const QString& archivo, quint16 numero, const RegistroAviso& antes,
                 const ResumenesAvisos& despues);
    void eliminado(const QString& archivo, const RegistroAviso& borrado);
    void conmutado(const QString& archivo, quint16 numero, const ResumenesAvisos& despues);
    // Reminders `primero` .. `primero` + `cuantos` - 1 appended by an import.
    void importados(const QString& archivo, quint16 primero, int cuantos, const ResumenesAvisos& despues);

    bool vacio() const { return m_cambios.empty(); }
    int size() const { return int(m_cambios.size()); }
    // What the next Undo takes back, for its menu text; empty when there is nothing.
    QString siguiente() const;
    Tipo siguienteTipo() const;
    // The reminders file of the change the next Undo takes back; empty when there is nothing.
    QString siguienteArchivo() const { return m_cambios.empty() ? QString() : m_cambios.back().archivo; }

    // Takes the last change back; `indice` is the index file of its reminders
    // file. The change leaves the history either way. Throws ReminderFileError
    // on a file error (the change is then kept, to be tried again).
    Resultado deshacer(const QString& indice);
    // A file that is no longer used: its changes cannot be taken back.
    void olvidar(const QString& archivo);

private:
    struct Cambio {
        Tipo tipo;
        QString archivo;
        quint16 numero = 0; // after the change (Importacion: the first one)
        int cuantos = 1;
        RegistroAviso antes;
        ResumenesAvisos despues;
    };
    void anotar(Cambio c);
    std::deque<Cambio> m_cambios;
};

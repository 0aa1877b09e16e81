#include "qv/logic/HistorialCambios.h"

#include "store/FollowReminders.h"
#include "store/ReminderFile.h"

#include <algorithm>

void HistorialCambios::anotar(Cambio c) {
    m_cambios.push_back(std::move(c));
    while (int(m_cambios.size()) > kMaximo)
        m_cambios.pop_front();
}

void HistorialCambios::creado(const QString& archivo, quint16 numero, const ResumenesAvisos& despues) {
    anotar({Tipo::Creacion, archivo, numero, 1, {}, despues});
}

void HistorialCambios::editado(const QString& archivo, quint16 numero, const RegistroAviso& antes,
                               const ResumenesAvisos& despues) {
    anotar({Tipo::Edicion, archivo, numero, 1, antes, despues});
}

void HistorialCambios::eliminado(const QString& archivo, const RegistroAviso& borrado) {
    anotar({Tipo::Eliminacion, archivo, borrado.Numero, 1, borrado, {}});
}

void HistorialCambios::conmutado(const QString& archivo, quint16 numero, const ResumenesAvisos& despues) {
    anotar({Tipo::Conmutacion, archivo, numero, 1, {}, despues});
}

void HistorialCambios::importados(const QString& archivo, quint16 primero, int cuantos,
                                  const ResumenesAvisos& despues) {
    if (cuantos > 0) anotar({Tipo::Importacion, archivo, primero, cuantos, {}, despues});
}

QString HistorialCambios::siguiente() const {
    if (m_cambios.empty()) return {};
    const Cambio& c = m_cambios.back();
    if (c.tipo == Tipo::Edicion || c.tipo == Tipo::Eliminacion) return c.antes.Descripcion;
    const int i = c.numero - 1;
    return i >= 0 && i < c.despues.size() ? c.despues.descripcion(i) : QString();
}

HistorialCambios::Tipo HistorialCambios::siguienteTipo() const {
    return m_cambios.empty() ? Tipo::Edicion : m_cambios.back().tipo;
}

void HistorialCambios::olvidar(const QString& archivo) {
    m_cambios.erase(std::remove_if(m_cambios.begin(), m_cambios.end(),
                                   [&archivo](const Cambio& c) { return c.archivo == archivo; }),
                    m_cambios.end());
}

HistorialCambios::Resultado HistorialCambios::deshacer(const QString& indice) {
    Resultado hecho;
    if (m_cambios.empty()) return hecho;
    const Cambio& c = m_cambios.back();
    hecho.tipo = c.tipo;
    hecho.archivo = c.archivo;
    hecho.descripcion = siguiente();
    if (c.tipo == Tipo::Eliminacion) {
        // Back at the end of the file, switched and dated as it was.
        hecho.numero = static_cast<quint16>(AnadirAviso(c.archivo, indice, c.antes));
        hecho.hecho = hecho.numero != 0;
        m_cambios.pop_back();
        return hecho;
    }
    const ResumenesAvisos ahora = LeerResumenes(c.archivo);
    if (c.tipo == Tipo::Importacion) {
        // Found first, removed last to first so that no removal moves the next one.
        QVector<quint16> numeros;
        for (int k = 0; k < c.cuantos; ++k)
            if (const quint16 n = SeguirNumero(c.despues, ahora, static_cast<quint16>(c.numero + k)))
                numeros << n;
        std::sort(numeros.begin(), numeros.end(), std::greater<>());
        for (quint16 n : numeros)
            if (!EliminarAviso(c.archivo, indice, n))
                throw ReminderFileError("The imported reminders could not be removed.");
        hecho.hecho = !numeros.isEmpty();
        m_cambios.pop_back();
        return hecho;
    }
    const quint16 n = SeguirNumero(c.despues, ahora, c.numero);
    if (n != 0) {
        switch (c.tipo) {
        case Tipo::Creacion:
            if (!EliminarAviso(c.archivo, indice, n))
                throw ReminderFileError("The reminder could not be removed.");
            break;
        case Tipo::Edicion: {
            RegistroAviso r = c.antes;
            r.Numero = n;
            EscribirAviso(c.archivo, n, r);
            hecho.numero = n;
            break;
        }
        case Tipo::Conmutacion:
            ActivarDesactivarAviso(c.archivo, n);
            hecho.numero = n;
            break;
        default:
            break;
        }
        hecho.hecho = true;
    }
    m_cambios.pop_back();
    return hecho;
}

#pragma once
// The program's own services: real alert windows, the mail folder's queue,
// the mail client and the editor and preferences dialogs.
#include "qv/ProgramServices.h"
#include "qv/logic/ColaEmailPendiente.h"
#include "qv/logic/ResultadoSesionEmail.h"

class DesktopServices : public ProgramServices {
public:
    void resetOpenAlerts() override;
    AlertWindowBase* mostrarAviso(const QString& archivo, int indice, int formato,
                                  const RegistroAviso& r) override;

    void borrarEmailSaliente() override;
    void crearEmailSaliente(const QString& archivo, const RegistroAviso& r) override;
    void revisionEmail(int& cuenta) override;
    bool clienteEmailEnMarcha() override;
    bool arrancarClienteEmail(bool enviar, bool recibir, quint8 minutos) override;
    bool hayEmailRecibido() override;
    void mostrarEmailRecibido(std::function<void(bool porUsuario)> alCerrar,
                              std::function<void(const QList<mailfiles::AvisoRecibido>&)> anadir) override;

    void revisarSesionEmail() override;
    QString tomarAvisoCorreo() override;
    QStringList emailSinEncolar() override;
    QStringList emailNoEnviado() override;

    std::optional<ResumenesAvisos> revisarAvisosPasados(const QString& file,
                                                        QVector<RegistroAviso>* perdidos) override;
    void reanudarAvisosPospuestos(const QString& file) override;

    int crearAviso(QWidget* parent, const QString& file, const QString& indexPath) override;
    int editarAviso(QWidget* parent, const QString& file, const QString& indexPath, int numero,
                    RegistroAviso* antes) override;
    bool preferencias(QWidget* parent) override;

private:
    ColaEmailPendiente m_cola;             // mail whose queue file could not be written yet
    ResultadoSesionEmail m_resultado;      // the last mail session's unsent files
    QStringList m_avisosCorreo;            // messages not shown yet
    bool m_notificacionesContadas = false; // told that notifications are not available
};

#pragma once
// What the main window asks of the program's other parts: alerts, the mail
// queue and mail client, incoming mail, and the dialogs it opens. The window is
// given one; the program gives DesktopServices, the tests a recording fake.
#include "mailfiles/IncomingMail.h"
#include "store/RegistroAviso.h"
#include "store/ResumenesAvisos.h"

#include "tray/TrayShell.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class AlertWindowBase;
class QWidget;
class TVPrincipal;

class ProgramServices {
public:
    virtual ~ProgramServices() = default;

    // Alerts
    virtual void resetOpenAlerts() = 0;
    // The alert of a reminder of `archivo` (its snooze and dismissal go to that
    // file); the window (it frees itself when closed), null when none was shown.
    virtual AlertWindowBase* mostrarAviso(const QString& archivo, int indice, int formato,
                                          const RegistroAviso& r) = 0;

    // Mail queue and mail client
    virtual void borrarEmailSaliente() = 0;
    // The queued mail of a reminder of `archivo` (its name carries the file).
    virtual void crearEmailSaliente(const QString& archivo, const RegistroAviso& r) = 0;
    // One mail-check tick: counts down `cuenta` and starts the client when due.
    virtual void revisionEmail(int& cuenta) = 0;
    virtual bool clienteEmailEnMarcha() = 0;
    virtual bool arrancarClienteEmail(bool enviar, bool recibir, quint8 minutos) = 0;
    virtual bool hayEmailRecibido() = 0;
    // Shows the received mail files in a mail alert window (and takes them
    // away); `alCerrar` runs when that window closes, `porUsuario` true when
    // the user closed it. Nothing is shown, and `alCerrar` never runs, when no
    // file could be read. When some of the mail are reminders of this system,
    // the window offers to add them with one button, which calls `anadir` with
    // them all, once.
    virtual void mostrarEmailRecibido(std::function<void(bool porUsuario)> alCerrar,
                                      std::function<void(const QList<mailfiles::AvisoRecibido>&)> anadir) = 0;

    // Mail that could not be queued or sent, for the window to tell.
    // Takes the outcome of the mail client's last session once it has ended.
    virtual void revisarSesionEmail() {}
    // A message to show once (a queue file that could not be written, a mail
    // session that left mail unsent); empty when there is none.
    virtual QString tomarAvisoCorreo() { return {}; }
    // Reminders whose e-mail waits in memory because its queue file could not
    // be written; each call first tries to write them again.
    virtual QStringList emailSinEncolar() { return {}; }
    // Reminders whose queued e-mail the last mail session could not send.
    virtual QStringList emailNoEnviado() { return {}; }

    // Start-up catch-up of the reminders missed while the program was off:
    // each is advanced and mailed, and given in `perdidos` as it was before.
    // Gives the summaries of the file as the catch-up left it, from the same
    // reading; none when the file could not be read.
    virtual std::optional<ResumenesAvisos> revisarAvisosPasados(const QString& file,
                                                                QVector<RegistroAviso>* perdidos) = 0;
    // At start, once the file is open: the alerts a previous run left snoozed come back.
    virtual void reanudarAvisosPospuestos(const QString& file) { Q_UNUSED(file); }

    // Dialogs. crearAviso gives the new reminder's number, 0 when the user
    // cancelled, negative when it could not be stored. editarAviso gives the
    // number the edited reminder was written at (it may have moved while the
    // dialog was open), 0 when nothing was written, negative on failure;
    // `antes` receives the record as it was before the write.
    virtual int crearAviso(QWidget* parent, const QString& file, const QString& indexPath) = 0;
    virtual int editarAviso(QWidget* parent, const QString& file, const QString& indexPath, int numero,
                            RegistroAviso* antes) = 0;
    virtual bool preferencias(QWidget* parent) = 0;

    // The notification area for the window's icon; null: the desktop's own.
    virtual std::unique_ptr<TrayShell> bandeja() { return nullptr; }
};

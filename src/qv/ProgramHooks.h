#pragma once
// Where the main window reaches the program's other parts (alerts, sounds,
// mail queue, incoming mail, the mail client, the editor and the preferences).
// One place, so the windows' code stays about the windows.
#include "store/RegistroAviso.h"

#include <QString>

#include <functional>

class QWidget;
class TVPrincipal;

namespace ProgramHooks {
// Alerts
void resetOpenAlerts();
void resetShownLogGuard();
void mostrarAviso(int indice, int formato, const RegistroAviso& r);
void sonidoIncorporado();
void probarSonido(const QString& archivo);

// Mail queue and mail client
void borrarEmailSaliente();
void crearEmailSaliente(const RegistroAviso& r);
QString textoRevisionEmail(bool email, int checkEmailEvery, int cuenta);
void revisionEmail(int& cuenta);
bool clienteEmailEnMarcha();
bool arrancarClienteEmail(bool enviar, bool recibir, quint8 minutos);
bool hayEmailRecibido();
void mostrarEmailRecibido(TVPrincipal* principal);

// Start-up catch-up of the reminders missed while the program was off.
void revisarAvisosPasados(QWidget* owner, const QString& file);

// Dialogs
int crearAviso(QWidget* parent, const QString& file, const QString& indexPath);
bool editarAviso(QWidget* parent, const QString& file, int numero);
bool preferencias(QWidget* parent);

// Tests: record alerts instead of opening windows.
void setAlertRecorderForTests(std::function<void(int indice, int formato, const RegistroAviso&)> recorder);
} // namespace ProgramHooks

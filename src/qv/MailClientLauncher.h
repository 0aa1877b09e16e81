#pragma once
// Starting the mail client QVMC from the program folder, never two at once.
#include <QString>
#include <QStringList>

namespace MailClientLauncher {
// True while a mail client holds its running marker.
bool enMarcha();
// The arguments for a run: "SMTP"/"XXXX", "POP3"/"XXXX", the minutes.
QStringList argumentos(bool enviar, bool recibir, quint8 minutos);
// Starts QVMC beside QV; false when one runs already or it could not be started
// (a missing program is silent). Never waits for it to end.
bool ArrancarClienteEmail(bool enviar, bool recibir, quint8 minutos);
// The program started (tests point it at a stand-in).
QString programa();
void setProgramaForTests(const QString& path);
} // namespace MailClientLauncher

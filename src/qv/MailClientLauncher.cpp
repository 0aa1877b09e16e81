#include "qv/MailClientLauncher.h"

#include "mailfiles/MailCheck.h"
#include "platform/GlobalMarker.h"
#include "settings/InstalledProgram.h"
#include "settings/ProgramFolders.h"

#include <QFileInfo>
#include <QProcess>

namespace MailClientLauncher {

namespace {
QString g_programa;
}

bool enMarcha() {
    return GlobalMarker::exists(QStringLiteral("OrbalinderMC"));
}

QStringList argumentos(bool enviar, bool recibir, quint8 minutos) {
    return mailfiles::ArgumentosClienteEmail(enviar, recibir, minutos);
}

QString programa() {
    if (!g_programa.isEmpty()) return g_programa;
    return InstalledProgram::executable(QStringLiteral("QVMC"), ProgramFolders::global().dirPrograma);
}

void setProgramaForTests(const QString& path) {
    g_programa = path;
}

bool ArrancarClienteEmail(bool enviar, bool recibir, quint8 minutos) {
    if (enMarcha()) return false;
    const QString exe = programa();
    if (!QFileInfo(exe).isExecutable()) return false;
    // The program path goes as one argument, so a folder with blanks is safe.
    return QProcess::startDetached(exe, argumentos(enviar, recibir, minutos),
                                   ProgramFolders::global().dirPrograma);
}

} // namespace MailClientLauncher

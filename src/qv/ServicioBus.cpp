#include "qv/ServicioBus.h"

#include "alerts/AlertWindowBase.h"
#include "alerts/AvisoNotificacion.h"
#include "core/Clock.h"
#include "core/Cp1252.h"
#include "qv/TVPrincipal.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"
#include "store/ResumenesAvisos.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFileInfo>

#include <algorithm>
#include <exception>

namespace {
const QString kNombre = QStringLiteral("org.norvo.Orbalinder");
const QString kRuta = QStringLiteral("/org/norvo/Orbalinder");

QList<AlertWindowBase*> ventanas() {
    QList<AlertWindowBase*> list;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* a = qobject_cast<AlertWindowBase*>(w)) list << a;
    return list;
}
} // namespace

ServicioBus::ServicioBus(TVPrincipal& principal) : QObject(&principal), m_principal(principal) {}

bool ServicioBus::registrar(QString* why) {
    auto fail = [&](const QString& text) {
        if (why) *why = text;
        return false;
    };
    // Only a bus the session names: never one started on demand for us.
    if (!qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") &&
        !QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus")))
        return fail(QStringLiteral("no session bus"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return fail(QStringLiteral("no session bus"));
    if (!bus.registerObject(kRuta, this, QDBusConnection::ExportScriptableSlots))
        return fail(bus.lastError().message());
    if (!bus.registerService(kNombre)) return fail(bus.lastError().message());
    return true;
}

void ServicioBus::fallar(const QString& text) {
    if (calledFromDBus()) sendErrorReply(QStringLiteral("org.norvo.Orbalinder.Error"), text);
}

void ServicioBus::ShowWindow() {
    m_principal.atenderSegundoArranque(QString());
}

int ServicioBus::AddReminder(const QString& description, const QString& date, const QString& time,
                             const QString& text) {
    const QString file = Ajustes::openFile();
    const QDate day = QDate::fromString(date, QStringLiteral("yyyy-MM-dd"));
    const QTime at = QTime::fromString(time, QStringLiteral("HH:mm"));
    if (file.isEmpty() || !QFileInfo::exists(file)) {
        fallar(QStringLiteral("no reminders file is open"));
        return 0;
    }
    if (description.trimmed().isEmpty() || !day.isValid() || !at.isValid()) {
        fallar(QStringLiteral("a reminder needs a description, a date yyyy-MM-dd and a time HH:mm"));
        return 0;
    }
    if (!Cp1252::unrepresentable(description + text).isEmpty() || description.size() > 30 ||
        text.size() > 255) {
        fallar(QStringLiteral(
            "the description (30 characters) or the text (255) is too long or cannot be stored"));
        return 0;
    }
    try {
        RegistroAviso r = RegistroAviso::nuevo(QDateTime(day, at));
        r.Descripcion = description;
        r.Texto = QString(text).replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
        r.setFechaProx(day);
        r.setHoraProx(at);
        const QString index = ProgramFolders::global().dirTemp + QStringLiteral("QVMsgs.IDX");
        if (!QFileInfo::exists(index)) CrearIndice(index, ContarAvisos(file));
        const int number = AnadirAviso(file, index, r);
        if (number == 0) fallar(QStringLiteral("the file already holds 65535 reminders"));
        return number;
    } catch (const std::exception& e) {
        fallar(QString::fromLocal8Bit(e.what()));
        return 0;
    }
}

QStringList ServicioBus::NextReminders(uint count) {
    // Every active file's reminders, soonest first; each line names its file.
    struct Proximo {
        int64_t momento;
        QString linea;
    };
    QList<Proximo> proximos;
    QString fallo;
    QStringList rutas = Ajustes::rutasActivas();
    if (const QString shown = Ajustes::openFile(); !shown.isEmpty() && !rutas.contains(shown))
        rutas.prepend(shown);
    for (const QString& file : rutas) {
        try {
            const ResumenesAvisos leidos = LeerResumenes(file);
            const QString nombre = QFileInfo(file).fileName();
            for (int i = 0; i < leidos.size(); ++i)
                if (leidos[i].tiene(ResumenesAvisos::Fila::Activo) &&
                    !leidos[i].tiene(ResumenesAvisos::Fila::Terminado))
                    proximos.append(
                        {leidos[i].momento(), QDateTime(leidos[i].fechaProx(), leidos[i].horaProx())
                                                      .toString(QStringLiteral("yyyy-MM-dd HH:mm")) +
                                                  u'\t' + leidos.descripcion(i) + u'\t' + nombre});
        } catch (const std::exception& e) {
            fallo = QString::fromLocal8Bit(e.what()); // the other files are still listed
        }
    }
    if (proximos.isEmpty() && !fallo.isEmpty()) fallar(fallo);
    std::stable_sort(proximos.begin(), proximos.end(),
                     [](const Proximo& a, const Proximo& b) { return a.momento < b.momento; });
    QStringList out;
    for (const Proximo& p : proximos.mid(0, int(qMin<uint>(count, 1000))))
        out << p.linea;
    return out;
}

QStringList ServicioBus::Alerts() {
    QStringList out;
    for (AlertWindowBase* w : ventanas())
        out << w->objectName() + u'\t' + w->windowTitle() + u'\t' +
                   (w->paused() ? QStringLiteral("snoozed") : QStringLiteral("shown"));
    for (AvisoNotificacion* n : AvisoNotificacion::todos())
        out << n->objectName() + u'\t' + n->caption() + u'\t' +
                   (n->snoozed() ? QStringLiteral("snoozed") : QStringLiteral("shown"));
    return out;
}

bool ServicioBus::SnoozeAlert(const QString& name, uint minutes) {
    if (minutes == 0 || minutes > 7 * 24 * 60) {
        fallar(QStringLiteral("minutes: 1 to 10080"));
        return false;
    }
    const QDateTime back = Clock::current().now().addSecs(qint64(minutes) * 60);
    for (AlertWindowBase* w : ventanas())
        if (w->objectName() == name) {
            w->posponerHasta(back);
            return true;
        }
    for (AvisoNotificacion* n : AvisoNotificacion::todos())
        if (n->objectName() == name) {
            n->posponerHasta(back);
            return true;
        }
    fallar(QStringLiteral("no alert named %1").arg(name));
    return false;
}

bool ServicioBus::DismissAlert(const QString& name) {
    for (AlertWindowBase* w : ventanas())
        if (w->objectName() == name) {
            w->descartar();
            return true;
        }
    for (AvisoNotificacion* n : AvisoNotificacion::todos())
        if (n->objectName() == name) {
            n->descartar();
            return true;
        }
    fallar(QStringLiteral("no alert named %1").arg(name));
    return false;
}

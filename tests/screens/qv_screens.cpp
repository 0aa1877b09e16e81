// Lays out one of the reminder program's windows with sample data and saves a
// screenshot of the whole screen (used under Xvfb by scripts/screenshots.sh).
// usage: qv_screens MODE OUT.png [en|es]
//   MODE = main|classic|doggy|babe|editor|recipients|pasados|mail|mailclient|help
// ORB_THEME=dark: a dark palette, as a dark desktop theme gives.
#include "DarkTheme.h"
#include "alerts/AvisosPospuestos.h"
#include "alerts/TVAviso.h"
#include "alerts/TVAvisoEx.h"
#include "core/Clock.h"
#include "core/TextCatalogue.h"
#include "core/UiLanguage.h"
#include "profiles/ArchivoPerfiles.h"
#include "qv/DesktopServices.h"
#include "qv/TVPrincipal.h"
#include "qv/editor/TVEdicionAvisos.h"
#include "qv/windows/TVAvisoEmail.h"
#include "qv/windows/TVPasados.h"
#include "qvmc/SesionCorreo.h"
#include "qvmc/VentanaCliente.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "store/ReminderFile.h"
#include "ui/DocumentViewer.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {
RegistroAviso sample(int i) {
    static const char* names[] = {"Dentist",          "Team meeting",  "Pay the rent",  "Call mum",
                                  "Water the plants", "Gym",           "Backup photos", "Car service",
                                  "Birthday: Ana",    "Take medicine", "Weekly report", "Renew passport"};
    static const int repeats[] = {0, 5, 6, 3, 128 + 1 + 16, 4, 5, 7, 7, 1, 5, 0};
    RegistroAviso r = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
    r.Descripcion = names[i];
    r.Texto = QStringLiteral("Reminder: %1").arg(names[i]);
    r.setFechaProx(QDate(2026, 12, 8).addDays(i * 3 % 17));
    r.setHoraProx(QTime(8 + i, (i * 15) % 60));
    r.Repetir = static_cast<quint8>(repeats[i]);
    r.Activo = i != 5;
    r.Terminado = i == 11;
    r.Caduca = i == 7;
    r.BorrarAlCaducar = i == 7;
    r.PorEmail = i == 2 || i == 8;
    return r;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    UsarTemaPedido();
    const QString mode = app.arguments().value(1), out = app.arguments().value(2);
    QDir::setCurrent(QDir::tempPath());
    const QString lang = app.arguments().value(3, QStringLiteral("en"));
    TextCatalogue::global().load(QStringLiteral(ORB_SOURCE_DIR "/resources/lang/") + lang + ".cat");
    UiLanguage::apply();
    Ajustes::CrearAjustesPorDefecto({});
    Ajustes::setSplash(false);
    Ajustes::setCloseMsgs(0);
    Ajustes::setDueMsgs(false);
    ProgramFolders::global() = ProgramFolders::from(QDir::currentPath());
    ProgramFolders::global().createWorkFolders();
    NameLists::global() = NameLists::build();
    QWidget* keep = nullptr;
    TVPrincipal* main = nullptr;
    DesktopServices services;
    if (mode == "main") {
        const QString file = QDir::current().filePath("Personal.QVM");
        CrearArchivoAvisos(file);
        CrearIndice(ProgramFolders::global().dirTemp + "QVMsgs.IDX", 0);
        for (int i = 0; i < 12; ++i)
            AnadirAviso(file, ProgramFolders::global().dirTemp + "QVMsgs.IDX", sample(i));
        // Reminder 2's alert snoozed for an hour: its state says so.
        Ajustes::setOpenFile(file);
        AvisosPospuestos::Pospuesto p;
        p.archivo = file;
        p.numero = 2;
        p.hasta = QDateTime::currentDateTime().addSecs(3600);
        p.caption = QStringLiteral("Team meeting");
        AvisosPospuestos::global().guardar(p);
        main = new TVPrincipal(services, file);
        main->mostrarFlagAviso(true);
        main->show();
        main->move(40, 40); // at its default size
    } else if (mode == "classic") {
        Ajustes::setMsgWindowPos(QRect(60, 60, 320, 210));
        MostrarAviso(0, "Team meeting", "Weekly team meeting\r\nRoom 3, bring the slides", "");
    } else if (mode == "doggy" || mode == "babe") {
        Ajustes::setMsgWindowExPos(QPoint(60, 60));
        MostrarAvisoEx(0, mode == "doggy" ? 2 : 3, "Walk", "Time to walk the dog!\nTake the ball.", "");
    } else if (mode == "editor" || mode == "recipients") {
        RegistroPerfiles buffer;
        QList<FilaLibreta> filas;
        const QString pfl = RutaArchivoPerfiles(ProgramFolders::global().dirPrograma);
        CrearPerfiles(pfl, buffer, filas);
        for (const char* a :
             {"ana@example.test", "bob@example.test", "carol@example.test", "team@example.test"})
            filas << FilaLibreta{QString::fromLatin1(a), 0};
        GuardarPerfiles(pfl, buffer, filas);
        auto* e = new TVEdicionAvisos;
        e->cargarNuevo(13);
        e->findChild<QComboBox*>("SelectorRepetir")->setCurrentIndex(2);
        e->show();
        e->move(60, 20);
        if (mode == "recipients") {
            e->deslizarDestinatarios(true);
            auto* origen = e->findChild<QListWidget*>("BoxOrigen");
            origen->setCurrentRow(1);
            e->findChild<QPushButton*>("Boton1Destino")->click();
        }
        keep = e;
    } else if (mode == "pasados") {
        auto* p = new TVPasados;
        p->agregar("Call mum", QDate(2026, 12, 7), QTime(19, 0), "Reminder: Call mum");
        p->agregar("Gym", QDate(2026, 12, 8), QTime(7, 30), "Reminder: Gym");
        p->prepararMuestra();
        p->show();
        p->move(60, 60);
        keep = p;
    } else if (mode == "mail") {
        auto* m = new TVAvisoEmail;
        m->memo()->setPlainText(
            "From: Ana <ana@example.test>\nDescription: Birthday party\n\nBring the cake!\n\n"
            "__________ End of message __________\n");
        m->ofrecerAvisos({{"Birthday party", "Bring the cake!"}}, {});
        m->show();
        m->move(60, 60);
        keep = m;
    } else if (mode == "help") {
        keep = DocumentViewer::showFile(QStringLiteral(ORB_SOURCE_DIR "/resources/help/") + lang +
                                        QStringLiteral("/QVH_Avisos.html"));
        if (keep) keep->move(60, 20);
    } else if (mode == "mailclient") {
        // The mail client's window (its texts are English in every language).
        auto* session = new SesionCorreo(ProgramFolders::global(),
                                         mailfiles::LeerLineaComandos({"XXXX", "XXXX", "1"}), {});
        auto* m = new qvmc::TVPrincipal(session);
        for (const char* line :
             {"+ 18:30:02 Mail client started", "+ 18:30:02 Connecting to smtp.example.org",
              "+ 18:30:03 Message sent: MAIL0001.OUT", "+ 18:30:03 Disconnected"})
            m->mostrarLinea(QString::fromLatin1(line));
        m->show();
        m->move(60, 60);
        keep = m;
    }
    Q_UNUSED(keep);
    QTimer::singleShot(1500, [&] {
        QGuiApplication::primaryScreen()->grabWindow(0).save(out);
        QApplication::exit(0); // not quit(): the main window would only go to the tray
    });
    return app.exec();
}

// Takes a screenshot of each preferences tab: prefs_screens OUTDIR [en|es [SUFFIX]].
// Run under an X server with a window manager (the whole screen is grabbed by
// `import`). Pictures get SUFFIX in their names; by default Spanish ones "-es".
#include "../screens/DarkTheme.h"
#include "TelefonosDePrueba.h"

#include "core/TextCatalogue.h"
#include "core/UiLanguage.h"
#include "profiles/ArchivoPerfiles.h"
#include "qv/prefs/TVPreferencias.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    UsarTemaPedido();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QString lang = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("en");
    TextCatalogue::global().load(QStringLiteral(ORB_SOURCE_DIR "/resources/lang/") + lang + ".cat");
    UiLanguage::apply();
    const QString suffix = argc > 3                      ? QString::fromLocal8Bit(argv[3])
                           : lang == QLatin1String("en") ? QString()
                                                         : "-" + lang;
    ProgramFolders::global() = ProgramFolders::from(QDir::currentPath() + "/");
    Ajustes::CrearAjustesPorDefecto({});
    Ajustes::setMsgWindowSndDoggy(QDir::currentPath() + "/sounds/Bark.WAV");
    Ajustes::setMsgWindowSndBabe(QString());

    RegistroPerfiles r;
    Perfil p;
    p.nombreUsuario = "Ana Ruiz";
    p.emailUsuario = "ana@example.org";
    p.servidorSMTP = "smtp.example.org";
    p.servidorPOP3 = "pop.example.org";
    p.loginSMTP = "ana";
    p.loginPOP3 = "ana";
    p.passwdPOP3 = "secret";
    p.conexionPos = 1;
    p.conexionNombre = "Home modem";
    r.setPerfil(1, p);
    r.hacerActivo(1);
    QList<FilaLibreta> filas;
    for (auto a : {"luis@example.org", "marta@example.com", "office@example.net"})
        filas.append({a, 0});
    AjustesPorPerfil seguridad;
    AjustesSeguridad& ana = seguridad[0].emplace();
    ana.smtp = ModoSeguridad::StartTls;
    ana.pop3 = ModoSeguridad::Tls;
    ana.passwdSMTP = "app-password";
    GuardarPerfiles(RutaArchivoPerfiles(ProgramFolders::global().dirPrograma), r, filas, seguridad);

    EstadoTelefonos tel;
    tel.entradas = {"Home modem", "Office ISDN"};
    tel.credenciales["Home modem"] = {"ana.dial", "dialpw"};
    TVPreferencias d(nullptr, std::make_unique<TelefonosDePrueba>(tel));
    d.cargar();
    d.show();
    qInfo("dialog %dx%d", d.width(), d.height());
    const char* names[3] = {"prefs-general", "prefs-reminders", "prefs-profiles"};
    for (int i = 0; i < 3; ++i) {
        d.findChild<QTabWidget*>("Paginas")->setCurrentIndex(i);
        QTest::qWait(700);
        QProcess::execute("import", {"-window", "root", out + "/" + names[i] + suffix + ".png"});
    }
    return 0;
}

// Alert windows driven headless: the state table (pause and come back, closed
// by the user, closed unattended, no auto-close), the shared count, minimum
// size and saved geometry, the picture shape, the log entry and the sound rule.
#include "core/Clock.h"
#include "core/TextCatalogue.h"
#include "platform/SettingsStore.h"
#include "qv/alerts/AlertPictures.h"
#include "qv/alerts/MensajesMostrados.h"
#include "qv/alerts/Sonido.h"
#include "qv/alerts/TTransImage.h"
#include "qv/alerts/TVAviso.h"
#include "qv/alerts/TVAvisoEx.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

namespace {
struct Host : AlertHost {
    int minimized = 0, restored = 0;
    bool flag = false;
    void mostrarFlagAviso(bool v) override { flag = v; }
    void minimizarAplicacion() override { ++minimized; }
    void restaurarAplicacion() override { ++restored; }
};

QByteArray readLog() {
    QFile f(ProgramFolders::global().dirMail + "QV_MSGS.TXT");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

template <class W> W* lastWindow() {
    W* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* a = qobject_cast<W*>(w); a && a->isVisible()) found = a;
    return found;
}
} // namespace

class TestAlerts : public QObject {
    Q_OBJECT
    Host host;
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(22, 5))};

private slots:
    void initTestCase() {
        Clock::install(&clock);
        QVERIFY(TextCatalogue::global().load(ORB_SOURCE_DIR "/resources/lang/es.cat"));
        ProgramFolders::global() = ProgramFolders::from(QDir::currentPath());
        ProgramFolders::global().createWorkFolders();
        Ajustes::CrearAjustesPorDefecto(QPoint(10, 20));
        AlertWindow::setHost(&host);
        AlertWindow::msPorMinuto = 20; // a minute lasts 20 ms here
        SonidoTest::record(true);
    }

    void init() {
        host = Host();
        SonidoTest::calls().clear();
        AlertWindow::resetAvisosAbiertos();
        Ajustes::setCloseMsgs(15);
        Ajustes::setMsgWindowFmt(1);
    }

    void closedByUserIsNotLogged() {
        QFile::remove(ProgramFolders::global().dirMail + "QV_MSGS.TXT");
        QVERIFY(MostrarAviso(4, "Dentista", "Llamar\r\nmañana", ""));
        auto* w = lastWindow<TVAviso>();
        QCOMPARE(w->objectName(), QString("VAvisoActive_4"));
        QCOMPARE(w->windowTitle(), QString("Dentista"));
        QCOMPARE(w->findChild<QPushButton*>("BotonCerrar")->text(), QString("Cerrar"));
        QVERIFY(w->autoCloseArmed());
        QCOMPARE(w->timerAviso()->interval(), 15 * 20);
        QCOMPARE(SonidoTest::calls(), QStringList({"res:WAV_CLASSIC"}));
        QCOMPARE(AlertWindow::AvisosAbiertos(), 1);
        host.flag = true;
        QPointer<TVAviso> guard(w);
        QTest::mouseClick(w->findChild<QPushButton*>("BotonCerrar"), Qt::LeftButton);
        QTRY_VERIFY(guard.isNull());
        QCOMPARE(AlertWindow::AvisosAbiertos(), 0);
        QCOMPARE(host.minimized, 1); // the last alert minimizes the application
        QVERIFY(!host.flag);
        QVERIFY(!QFile::exists(ProgramFolders::global().dirMail + "QV_MSGS.TXT"));
    }

    void pauseHidesAndComesBack() {
        Ajustes::setMsgWindowPos(QRect(100, 120, 300, 200));
        MostrarAviso(0, "Pausa", "texto", "/sounds/own.wav");
        auto* w = lastWindow<TVAviso>();
        QCOMPARE(SonidoTest::calls(), QStringList({"file:/sounds/own.wav"})); // its own sound
        w->move(130, 140);
        w->spinner()->setValue(5);
        QTest::mouseClick(w->botonCerrar(), Qt::LeftButton);
        QVERIFY(w->isHidden());
        QCOMPARE(AlertWindow::AvisosAbiertos(), 1); // paused, still counted
        QCOMPARE(Ajustes::msgWindowPos().topLeft(), QPoint(130, 140)); // saved when pressed
        QVERIFY(!w->autoCloseArmed());
        QCOMPARE(w->timerAviso()->interval(), 5 * 20);
        QTRY_VERIFY(w->isVisible());
        QCOMPARE(w->spinner()->value(), 0);
        QVERIFY(w->autoCloseArmed());
        QCOMPARE(SonidoTest::calls().size(), 2); // the sound plays again
        QCOMPARE(w->pos(), QPoint(130, 140));
        w->spinner()->setValue(0);
        QTest::mouseClick(w->botonCerrar(), Qt::LeftButton);
    }

    void unattendedAlertIsLoggedEvenTheFirstOne() {
        QFile::remove(ProgramFolders::global().dirMail + "QV_MSGS.TXT");
        Ajustes::setCloseMsgs(1);
        MostrarAviso(1, "Reunión", "Sala 3\r\n\r\nA las diez", "");
        MostrarAviso(2, "Otro", "x", "");
        QCOMPARE(AlertWindow::AvisosAbiertos(), 2);
        QTRY_COMPARE(AlertWindow::AvisosAbiertos(), 0);
        QVERIFY(host.flag);
        QCOMPARE(host.restored, 2);
        QCOMPARE(host.minimized, 1); // only when the last one closed
        const QByteArray log = readLog();
        const QByteArray header = "# Messages file created by Norvo Orbalinder 2.0. DO NOT RENAME!\r\n\r\n";
        QVERIFY(log.startsWith(header));
        const QByteArray stamp = "__________ Message shown on: 08/dic/2026 10:05 pm __________\r\n\r\n";
        QByteArray expected = header;
        expected += stamp + "From: Reuni\xF3n\r\nSala 3\r\nA las diez\r\n\r\n__________ End of message __________\r\n\r\n";
        expected += stamp + "From: Otro\r\nx\r\n\r\n__________ End of message __________\r\n\r\n";
        if (QLocale().name().startsWith("es")) QCOMPARE(log, expected);
        else QCOMPARE(log.count("__________ End of message __________"), 2);
        QVERIFY(!LogGuardTaken());
    }

    void noAutoCloseWithCloseMsgsZero() {
        Ajustes::setCloseMsgs(0);
        MostrarAviso(3, "Siempre", "x", "");
        auto* w = lastWindow<TVAviso>();
        QVERIFY(!w->autoCloseArmed());
        QVERIFY(!w->timerAviso()->isActive());
        QTest::qWait(60);
        QVERIFY(w->isVisible());
        QTest::mouseClick(w->botonCerrar(), Qt::LeftButton);
        QTRY_COMPARE(AlertWindow::AvisosAbiertos(), 0);
    }

    void minimumSize() {
        MostrarAviso(5, "Tamaño", "x", "");
        auto* w = lastWindow<TVAviso>();
        w->resize(100, 50);
        QCOMPARE(w->size(), QSize(280, 120));
        QTest::mouseClick(w->botonCerrar(), Qt::LeftButton);
    }

    void pictureStylesShapeAndSound() {
        for (int style : {2, 3}) {
            SonidoTest::calls().clear();
            Ajustes::setMsgWindowFmt(static_cast<quint8>(style));
            Ajustes::setMsgWindowExPos(QPoint(40, 50));
            QVERIFY(MostrarAvisoEx(7, style, "Foto", "texto", ""));
            auto* w = lastWindow<TVAvisoEx>();
            QCOMPARE(w->objectName(), QString("VAvisoExActive_7"));
            QCOMPARE(w->size(), QSize(380, 285));
            QCOMPARE(w->pos(), QPoint(40, 50));
            QCOMPARE(SonidoTest::calls(), QStringList({style == 2 ? "res:WAV_DOGGY" : "res:WAV_BABE"}));
            QVERIFY(!w->mask().contains(QPoint(2, 2)));      // a white corner falls through
            QVERIFY(w->mask().contains(QPoint(100, 180)));  // the board
            QVERIFY(w->mask().contains(QPoint(60, 250)));   // under the button
            QCOMPARE(w->picture().colorCount(), 16);
            w->move(70, 80);
            QTest::mouseClick(w->botonCerrar(), Qt::LeftButton);
            QCOMPARE(Ajustes::msgWindowExPos(), QPoint(70, 80));
        }
        // Another style: a plain rectangle, no picture, no built-in sound.
        SonidoTest::calls().clear();
        Ajustes::setMsgWindowFmt(0);
        MostrarAvisoEx(8, 0, "Simple", "x", "");
        auto* w = lastWindow<TVAvisoEx>();
        QVERIFY(w->mask().isEmpty());
        QVERIFY(w->picture().isNull());
        QVERIFY(SonidoTest::calls().isEmpty());
        QTest::mouseClick(w->botonCerrar(), Qt::LeftButton);
    }

    void regionFollowsTheRuns() {
        QImage img(10, 3, QImage::Format_RGB32);
        img.fill(Qt::white);
        img.setPixel(2, 0, qRgb(0, 0, 0));
        img.setPixel(3, 0, qRgb(254, 255, 255)); // not pure white: part of the picture
        img.setPixel(7, 2, qRgb(10, 10, 10));
        const QRegion r = TTransImage::regionFrom(img);
        QCOMPARE(r.rectCount(), 2);
        QVERIFY(r.contains(QPoint(3, 0)));
        QVERIFY(!r.contains(QPoint(4, 0)));
        QVERIFY(r.contains(QPoint(7, 2)));
        // More rectangles than one batch still give the whole shape.
        QImage stripes(4100, 2, QImage::Format_RGB32);
        stripes.fill(Qt::white);
        for (int x = 0; x < 4100; x += 2) stripes.setPixel(x, 0, qRgb(0, 0, 0));
        QCOMPARE(TTransImage::regionFrom(stripes).rectCount(), 2050);
    }

    void builtInSoundRule() {
        const QList<QPair<int, QString>> rule = {{1, "WAV_CLASSIC"}, {2, "WAV_DOGGY"}, {3, "WAV_BABE"}, {4, ""}, {0, ""}};
        for (const auto& [style, name] : rule) {
            Ajustes::setMsgWindowFmt(static_cast<quint8>(style));
            QCOMPARE(SonidoIncorporado(), name);
        }
        QVERIFY(!ReproducirSonido(true, "WAV_NONE"));
        QVERIFY(QFile::exists(":/alerts/WAV_DOGGY.wav"));
    }
};

QTEST_MAIN(TestAlerts)
#include "tst_alerts.moc"

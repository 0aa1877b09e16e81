// Both alert windows driven through their controls: the state table (pause, user
// close, unattended close, no auto-close), the shared count, size and place, the shape.
#include "AlertTestDoubles.h"

#include "../screens/DarkTheme.h"
#include "alerts/AvisosPospuestos.h"
#include "alerts/RegistroMensajes.h"
#include "alerts/TTransImage.h"
#include "alerts/TVAviso.h"
#include "alerts/TVAvisoEx.h"
#include "core/TextCatalogue.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <cmath>

namespace {
template <typename T = QWidget> T* topLevel(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name) return qobject_cast<T*>(w);
    }
    return nullptr;
}
QString logPath() {
    return ProgramFolders::global().dirMail + "QV_MSGS.TXT";
}
} // namespace

class TestAlertWindows : public QObject {
    Q_OBJECT
    RecordingSound m_sound;
    RecordingHost m_host;

private slots:
    void initTestCase() {
        QDir().mkpath("prog");
        ProgramFolders::global() = ProgramFolders::from(QDir("prog").absolutePath() + "/");
        ProgramFolders::global().createWorkFolders();
        Ajustes::CrearAjustesPorDefecto(QPoint(10, 10));
        QVERIFY(TextCatalogue::global().load(QStringLiteral(ORB_SOURCE_DIR "/resources/lang/es.cat")));
        SoundOutput::install(&m_sound);
        AlertWindowBase::setMillisecondsPerMinute(40);
    }

    void init() {
        m_sound.played.clear();
        m_host = {};
        AlertHost::install(&m_host);
        ReiniciarAvisosAbiertos();
        QFile::remove(logPath());
        Ajustes::setMsgWindowFmt(1);
        Ajustes::setCloseMsgs(0);
    }

    void cleanup() {
        // Pointers that follow deletion: an alert takes its snooze menu (a top level too) with it.
        QList<QPointer<AlertWindowBase>> alerts;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* a = qobject_cast<AlertWindowBase*>(w)) alerts << a;
        for (const auto& a : alerts)
            delete a.data();
    }

    void showSetsCaptionsTextAndSound() {
        QVERIFY(MostrarAviso(7, "Dentist", "Line one\nLine two", ""));
        auto* w = topLevel<TVAviso>("VAvisoActive_7");
        QVERIFY(w && w->isVisible());
        QCOMPARE(AvisosAbiertos(), quint16(1));
        QCOMPARE(w->windowTitle(), QString("Dentist"));
        QCOMPARE(w->findChild<QPlainTextEdit*>("TextoAviso")->toPlainText(), QString("Line one\nLine two"));
        QCOMPARE(w->findChild<QLabel*>("LabelRepetir")->text(), QString("Repetir aviso en:"));
        QCOMPARE(w->findChild<QPushButton*>("BotonCerrar")->text(), QString("Cerrar"));
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(m_sound.played, QList<QUrl>{QUrl("qrc:/orb_alerts/WAV_CLASSIC.wav")});
    }

    void soundRuleBySetting_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("classic") << 1 << ""
                                 << "qrc:/orb_alerts/WAV_CLASSIC.wav";
        QTest::newRow("doggy") << 2 << ""
                               << "qrc:/orb_alerts/WAV_DOGGY.wav";
        QTest::newRow("babe") << 3 << ""
                              << "qrc:/orb_alerts/WAV_BABE.wav";
        QTest::newRow("unknown style: silence") << 9 << ""
                                                << "";
        const QString own = QDir::currentPath() + "/own.wav";
        QTest::newRow("own file wins") << 2 << own << QUrl::fromLocalFile(own).toString();
        QTest::newRow("own file missing: built-in") << 2 << QDir::currentPath() + "/gone.wav"
                                                    << "qrc:/orb_alerts/WAV_DOGGY.wav";
        QTest::newRow("own file no sound: built-in") << 3 << QDir::currentPath() + "/text.wav"
                                                     << "qrc:/orb_alerts/WAV_BABE.wav";
    }
    void soundRuleBySetting() {
        QFETCH(int, style);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QFile::remove("own.wav");
        QVERIFY(QFile::copy(ORB_SOURCE_DIR "/resources/alerts/WAV_CLASSIC.wav", "own.wav"));
        QFile text("text.wav");
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a sound at all");
        text.close();
        Ajustes::setMsgWindowFmt(quint8(style));
        QVERIFY(MostrarAvisoEx(1, quint8(style), "c", "t", file));
        const QList<QUrl> want = expected.isEmpty() ? QList<QUrl>{} : QList<QUrl>{QUrl(expected)};
        QCOMPARE(m_sound.played, want);
    }

    void userCloseWithSpinnerZero() {
        Ajustes::setCloseMsgs(5);
        QVERIFY(MostrarAviso(0, "c", "t", ""));
        QPointer<TVAviso> w = topLevel<TVAviso>("VAvisoActive_0");
        QTest::mouseClick(w->findChild<QPushButton*>("BotonCerrar"), Qt::LeftButton);
        QTRY_VERIFY(w.isNull());
        QCOMPARE(AvisosAbiertos(), quint16(0));
        QCOMPARE(m_host.minimised, 1);
        QCOMPARE(m_host.restored, 0);
        QCOMPARE(m_host.flag, QList<bool>{false});
        QVERIFY(!QFile::exists(logPath()));
    }

    void unattendedCloseIsLogged() {
        Ajustes::setCloseMsgs(1);
        QVERIFY(MostrarAviso(3, "Meeting", "Room 4\n\nBring notes", ""));
        QPointer<TVAviso> w = topLevel<TVAviso>("VAvisoActive_3");
        QVERIFY(w->autoCloseArmed());
        QTRY_VERIFY(w.isNull());
        QCOMPARE(AvisosAbiertos(), quint16(0));
        QCOMPARE(m_host.flag, QList<bool>{true});
        QCOMPARE(m_host.restored, 1);
        QCOMPARE(m_host.minimised, 0); // restored only: never hidden and shown at once
        QFile log(logPath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY(text.startsWith("# Messages file created by Norvo Orbalinder 2.0. DO NOT RENAME!\r\n\r\n"));
        QVERIFY(text.contains("\r\nFrom: Meeting\r\nRoom 4\r\nBring notes\r\n\r\n__________ End of message"));
    }

    void noAutoCloseWhenCloseMsgsIsZero() {
        QVERIFY(MostrarAviso(0, "c", "t", ""));
        auto* w = topLevel<TVAviso>("VAvisoActive_0");
        QVERIFY(!w->autoCloseArmed());
        QTest::qWait(200);
        QVERIFY(w->isVisible());
        QVERIFY(!w->findChild<QTimer*>("TimerAviso")->isActive());
        QVERIFY(!QFile::exists(logPath()));
    }

    void pauseAndComeBack() {
        Ajustes::setCloseMsgs(10);
        Ajustes::setMsgWindowPos(QRect(30, 40, 300, 200));
        QVERIFY(MostrarAviso(0, "c", "t", "/tmp/own.wav"));
        QPointer<TVAviso> w = topLevel<TVAviso>("VAvisoActive_0");
        w->move(120, 90);
        w->findChild<QSpinBox*>("UpDownRepetir")->setValue(2);
        QTest::mouseClick(w->findChild<QPushButton*>("BotonCerrar"), Qt::LeftButton);
        QVERIFY(!w.isNull());
        QVERIFY(w->paused());
        QCOMPARE(AvisosAbiertos(), quint16(1));
        QVERIFY(m_host.flag.isEmpty());
        QCOMPARE(m_host.minimised, 0);
        QCOMPARE(Ajustes::msgWindowPos(), QRect(120, 90, 300, 200));
        QTRY_VERIFY(w->isVisible());
        QCOMPARE(w->findChild<QSpinBox*>("UpDownRepetir")->value(), 0);
        QVERIFY(w->autoCloseArmed());
        QCOMPARE(w->pos(), QPoint(120, 90));
        QCOMPARE(m_sound.played.size(), 2);
    }

    // The snooze choices beside the spinner, in both windows, chosen from the
    // menu as a person would: hidden (not closed, not logged), back after that
    // long with its sound, remembered as the last choice.
    void snoozeChoices_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("minutes");
        QTest::newRow("classic, 5 minutes") << 1 << "5" << 5;
        QTest::newRow("picture, 10 minutes") << 2 << "10" << 10;
        QTest::newRow("classic, 2 hours") << 1 << "120" << 120;
        QTest::newRow("picture, tomorrow at this time") << 3 << "tomorrow" << 24 * 60;
    }
    void snoozeChoices() {
        QFETCH(int, style);
        QFETCH(QString, key);
        QFETCH(int, minutes);
        Ajustes::setCloseMsgs(1);
        Ajustes::setLastSnooze("30");
        QVERIFY(style == 1 ? MostrarAviso(4, "c", "t", "") : MostrarAvisoEx(4, quint8(style), "c", "t", ""));
        QPointer<AlertWindowBase> w =
            topLevel<AlertWindowBase>(style == 1 ? "VAvisoActive_4" : "VAvisoExActive_4");
        auto* button = w->findChild<QToolButton*>("BotonPosponer");
        QVERIFY(button && button->isVisible());
        QMenu* menu = button->menu();
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 8);
        QVERIFY(w->findChild<QAction*>("MPPosponer_30")->isChecked()); // the last one used is marked
        QAction* choice = w->findChild<QAction*>("MPPosponer_" + key);
        QVERIFY(choice);
        choice->trigger();
        QVERIFY(!w.isNull());
        QVERIFY(!w->isVisible());
        QVERIFY(w->paused());
        QCOMPARE(AvisosAbiertos(), quint16(1));
        QVERIFY(m_host.flag.isEmpty());
        QCOMPARE(Ajustes::lastSnooze(), key);
        const int interval = w->findChild<QTimer*>("TimerAviso")->interval();
        QVERIFY2(qAbs(interval - minutes * 40) <= 40, qPrintable(QString::number(interval)));
        if (minutes > 10) return; // longer ones are not waited for
        QTest::qWait(minutes * 40 / 2);
        QVERIFY(!w.isNull() && !w->isVisible()); // not before its time, though the auto-close is shorter
        // Back with its sound; its auto-close (one scaled minute) may take it away
        // before a poll sees it shown, so the sound tells that it came back.
        QTRY_COMPARE(m_sound.played.size(), 2);
        QTRY_VERIFY(w.isNull()); // then unattended: logged
        QVERIFY(QFile::exists(logPath()));
    }

    // A snoozed alert is kept beside the reminders file, and a later run
    // brings it back at its moment; a window that came back leaves the file.
    void snoozeSurvivesRestart_data() {
        QTest::addColumn<int>("style");
        QTest::newRow("classic") << 1;
        QTest::newRow("picture") << 3;
    }
    void snoozeSurvivesRestart() {
        QFETCH(int, style);
        const QString file = QDir::current().absoluteFilePath("work.QVM");
        Ajustes::setOpenFile(file);
        QFile::remove(AvisosPospuestos::rutaDe(file));
        AvisosPospuestos::global().olvidarArchivo(file);
        QVERIFY(style == 1 ? MostrarAviso(6, "Call", "Ring Ana\ttoday", "")
                           : MostrarAvisoEx(6, quint8(style), "Call", "Ring Ana\ttoday", ""));
        auto* w = topLevel<AlertWindowBase>(style == 1 ? "VAvisoActive_6" : "VAvisoExActive_6");
        w->findChild<QSpinBox*>("UpDownRepetir")->setValue(3);
        QTest::mouseClick(w->findChild<QPushButton*>("BotonCerrar"), Qt::LeftButton);
        const auto kept = AvisosPospuestos::leer(file);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept[0].numero, quint16(7));
        QCOMPARE(kept[0].caption, QString("Call"));
        QCOMPARE(kept[0].text, QString("Ring Ana\ttoday"));
        QVERIFY(qAbs(QDateTime::currentDateTime().secsTo(kept[0].hasta) - 180) <= 2);
        QCOMPARE(AvisosPospuestos::global().hasta(file, 7), kept[0].hasta);
        delete w; // the program ends with the alert snoozed
        QCOMPARE(AvisosPospuestos::leer(file).size(), 1);
        ReiniciarAvisosAbiertos();

        QCOMPARE(ReanudarAvisosPospuestos(file, style), 1);
        QPointer<AlertWindowBase> back =
            topLevel<AlertWindowBase>(style == 1 ? "VAvisoActive_6" : "VAvisoExActive_6");
        QVERIFY(back && !back->isVisible() && back->paused());
        QCOMPARE(AvisosAbiertos(), quint16(1));
        QTRY_VERIFY(back->isVisible()); // 3 minutes of 40 ms
        QCOMPARE(back->windowTitle(), QString("Call"));
        QCOMPARE(m_sound.played.size(), 2);
        QVERIFY(!QFile::exists(AvisosPospuestos::rutaDe(file)));
        Ajustes::setOpenFile({});
    }

    // The style is read when the sound plays, not when the window was made.
    void soundStyleReadWhenPlaying() {
        QVERIFY(MostrarAviso(0, "c", "t", ""));
        QPointer<TVAviso> w = topLevel<TVAviso>("VAvisoActive_0");
        w->findChild<QSpinBox*>("UpDownRepetir")->setValue(1);
        QTest::mouseClick(w->findChild<QPushButton*>("BotonCerrar"), Qt::LeftButton);
        Ajustes::setMsgWindowFmt(3);
        QTRY_VERIFY(w->isVisible());
        QCOMPARE(m_sound.played, (QList<QUrl>{QUrl("qrc:/orb_alerts/WAV_CLASSIC.wav"),
                                              QUrl("qrc:/orb_alerts/WAV_BABE.wav")}));
    }

    // The spinner alone does not pause: a close request without a running pause closes.
    void spinnerWithoutButtonDoesNotHideForever() {
        QVERIFY(MostrarAviso(0, "c", "t", ""));
        QPointer<TVAviso> w = topLevel<TVAviso>("VAvisoActive_0");
        w->findChild<QSpinBox*>("UpDownRepetir")->setValue(5);
        w->close();
        QTRY_VERIFY(w.isNull());
        QCOMPARE(AvisosAbiertos(), quint16(0));
    }

    void twoWindowsShareTheCount() {
        QVERIFY(MostrarAviso(0, "a", "t", ""));
        QVERIFY(MostrarAvisoEx(1, 2, "b", "t", ""));
        QCOMPARE(AvisosAbiertos(), quint16(2));
        QTest::mouseClick(topLevel("VAvisoActive_0")->findChild<QPushButton*>("BotonCerrar"), Qt::LeftButton);
        QCOMPARE(AvisosAbiertos(), quint16(1));
        QCOMPARE(m_host.minimised, 0);
        QTest::mouseClick(topLevel("VAvisoExActive_1")->findChild<QPushButton*>("BotonCerrar"),
                          Qt::LeftButton);
        QCOMPARE(AvisosAbiertos(), quint16(0));
        QCOMPARE(m_host.minimised, 1);
    }

    void minimumSizeAndLayout() {
        QVERIFY(MostrarAviso(0, "c", "t", ""));
        auto* w = topLevel<TVAviso>("VAvisoActive_0");
        w->resize(100, 50);
        QCOMPARE(w->size(), QSize(280, 120));
        w->resize(400, 300);
        QCOMPARE(w->findChild<QPlainTextEdit*>("TextoAviso")->height(), 300 - 48);
        QCOMPARE(w->findChild<QPushButton*>("BotonCerrar")->pos(), QPoint(8, 300 - 33));
        QCOMPARE(w->findChild<QLabel*>("LabelMin")->pos(), QPoint(400 - 30, 300 - 28));
    }

    void savedGeometryIsUsed() {
        Ajustes::setMsgWindowPos(QRect(50, 60, 320, 240));
        QVERIFY(MostrarAviso(0, "c", "t", ""));
        auto* w = topLevel<TVAviso>("VAvisoActive_0");
        QCOMPARE(w->pos(), QPoint(50, 60));
        QCOMPARE(w->size(), QSize(320, 240));
    }

    void pictureWindowShapeAndPlace() {
        Ajustes::setMsgWindowExPos(QPoint(70, 80));
        QVERIFY(MostrarAvisoEx(4, 2, "Walk", "Park", ""));
        auto* w = topLevel<TVAvisoEx>("VAvisoExActive_4");
        QCOMPARE(w->size(), QSize(380, 285));
        QCOMPARE(w->pos(), QPoint(70, 80));
        QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
        const QImage picture = TVAvisoEx::imagenEstilo(2);
        QCOMPARE(picture.size(), QSize(380, 285));
        QCOMPARE(picture.pixelColor(3, 3), QColor(Qt::white));
        QVERIFY(!w->mask().contains(QPoint(3, 3)));
        QVERIFY(picture.pixelColor(265, 106) != QColor(Qt::white));
        QVERIFY(w->mask().contains(QPoint(265, 106)));
        // The controls sit on the drawing, so none is cut away.
        for (const char* name : {"TextoAviso", "BotonCerrar", "LabelRepetir", "UpDownRepetir", "LabelMin"}) {
            auto* child = w->findChild<QWidget*>(name);
            QVERIFY2(w->mask().contains(child->geometry()), name);
        }
    }

    // Under a dark desktop palette every text of an alert keeps a readable
    // contrast (WCAG 4.5:1) with what it is painted on: the colour the widget
    // fills itself with, or else the picture behind it.
    void darkThemeTextsReadable_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("name");
        QTest::newRow("classic, text") << 1 << "TextoAviso";
        for (int style : {2, 3})
            for (const char* name : {"LabelDescripcion", "TextoAviso", "LabelRepetir", "EditRepetir",
                                     "LabelMin", "UpDownRepetir"})
                QTest::addRow("%s, %s", style == 2 ? "doggy" : "babe", name) << style << QString(name);
    }
    void darkThemeTextsReadable() {
        QFETCH(int, style);
        QFETCH(QString, name);
        const QPalette light = QApplication::palette();
        QApplication::setPalette(PaletaOscura());
        Ajustes::setMsgWindowFmt(style);
        const bool shown =
            style == 1 ? MostrarAviso(5, "Walk", "Park", "") : MostrarAvisoEx(5, style, "Walk", "Park", "");
        QApplication::setPalette(light);
        QVERIFY(shown);
        QWidget* w = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (qobject_cast<AlertWindowBase*>(top) && top->isVisible()) w = top;
        QVERIFY(w);
        auto* child = w->findChild<QWidget*>(name);
        QVERIFY2(child, qPrintable(name));
        // A spinner's own text is its edit's; what it paints itself is its arrows.
        const QColor text = child->palette().color(qobject_cast<QSpinBox*>(child) ? QPalette::ButtonText
                                                                                  : child->foregroundRole());
        QColor under = child->palette().color(child->backgroundRole());
        if (style != 1 && !child->autoFillBackground() && !qobject_cast<QAbstractScrollArea*>(child) &&
            !qobject_cast<QLineEdit*>(child))
            under = TVAvisoEx::imagenEstilo(style).pixelColor(child->mapTo(w, child->rect().center()));
        const auto luminance = [](const QColor& c) {
            const auto channel = [](double v) {
                return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
        };
        const double a = luminance(text), b = luminance(under);
        const double contrast = (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
        QVERIFY2(
            contrast >= 4.5,
            qPrintable(
                QStringLiteral("%1 on %2: %3:1").arg(text.name(), under.name()).arg(contrast, 0, 'f', 1)));
    }

    void pictureWindowDragAndSave() {
        Ajustes::setMsgWindowExPos(QPoint(0, 0));
        QVERIFY(MostrarAvisoEx(0, 3, "c", "t", ""));
        QPointer<TVAvisoEx> w = topLevel<TVAvisoEx>("VAvisoExActive_0");
        QWidget* picture = w->findChild<QWidget*>("MsgBitmap");
        const QPoint grab(300, 60);
        const QPoint globalGrab = w->pos() + grab;
        QMouseEvent press(QEvent::MouseButtonPress, grab, globalGrab, Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(picture, &press);
        QMouseEvent move(QEvent::MouseMove, grab, globalGrab + QPoint(25, 15), Qt::NoButton, Qt::LeftButton,
                         {});
        QApplication::sendEvent(picture, &move);
        QCOMPARE(w->pos(), QPoint(25, 15));
        QTest::mouseClick(w->findChild<QPushButton*>("BotonCerrar"), Qt::LeftButton);
        QCOMPARE(Ajustes::msgWindowExPos(), QPoint(25, 15));
    }

    void unknownStyleGivesPlainWindow() {
        QVERIFY(MostrarAvisoEx(0, 0, "c", "t", ""));
        auto* w = topLevel<TVAvisoEx>("VAvisoExActive_0");
        QVERIFY(w->mask().isEmpty());
        QVERIFY(!w->findChild<QWidget*>("MsgBitmap")->isVisible());
    }

    void unattendedPictureAlertLogsItsCaption() {
        Ajustes::setCloseMsgs(1);
        QVERIFY(MostrarAvisoEx(0, 3, "Feed baby", "Bottle", ""));
        QTRY_COMPARE(AvisosAbiertos(), quint16(0));
        QFile log(logPath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("\r\nFrom: Feed baby\r\nBottle\r\n"));
    }

    void regionFromRuns_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("all white") << QStringList{"....", "...."};
        QTest::newRow("runs") << QStringList{"#..##", ".###.", "....#"};
        QTest::newRow("full") << QStringList{"###", "###"};
    }
    void regionFromRuns() {
        QFETCH(QStringList, rows);
        QImage image(rows[0].size(), rows.size(), QImage::Format_RGB32);
        for (int y = 0; y < rows.size(); ++y)
            for (int x = 0; x < rows[y].size(); ++x)
                image.setPixel(x, y, rows[y][x] == '#' ? qRgb(255, 255, 254) : qRgb(255, 255, 255));
        const QRegion region = TTransImage::regionOpaca(image, Qt::white);
        for (int y = 0; y < rows.size(); ++y)
            for (int x = 0; x < rows[y].size(); ++x)
                QCOMPARE(region.contains(QPoint(x, y)), rows[y][x] == '#');
    }

    // More runs than one batch holds: every batch joins the region.
    void regionAcrossBatches() {
        QImage image(200, 50, QImage::Format_RGB32);
        image.fill(Qt::white);
        for (int y = 0; y < 50; ++y)
            for (int x = y % 2; x < 200; x += 2)
                image.setPixel(x, y, qRgb(0, 0, 0));
        const QRegion region = TTransImage::regionOpaca(image, Qt::white);
        QCOMPARE(region.rectCount(), 5000);
        QVERIFY(region.contains(QPoint(199, 49)) && region.contains(QPoint(0, 0)));
        QVERIFY(!region.contains(QPoint(1, 0)) && !region.contains(QPoint(198, 49)));
    }
};

QTEST_MAIN(TestAlertWindows)
#include "tst_alertwindows.moc"

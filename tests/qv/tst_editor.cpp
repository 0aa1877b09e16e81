// The reminder editor driven by object names: new-reminder defaults, the save
// rules (weekday kinds, whole minutes, limits, refused saves), the reopen on a
// refused creation, editing, expiry controls, recipients and the slide.
#include "QvTestSupport.h"

#include "profiles/ArchivoPerfiles.h"
#include "qv/editor/EditorAvisos.h"
#include "qv/editor/TVEdicionAvisos.h"
#include "store/ReminderFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QToolButton>

namespace {
void tick(QListWidget* days, std::initializer_list<int> rows) {
    for (int r : rows)
        days->item(r)->setCheckState(Qt::Checked);
}

// Runs `step` on the editor as soon as it is shown modally.
void whenShown(std::function<void(TVEdicionAvisos*)> step) {
    QTimer::singleShot(0, [step] {
        auto* e = qobject_cast<TVEdicionAvisos*>(QApplication::activeModalWidget());
        if (!e) {
            whenShown(step); // not up yet
            return;
        }
        step(e);
    });
}
} // namespace

class TestEditor : public QObject {
    Q_OBJECT
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(10, 15, 42))};
    QString file, index;

    void addresses(const QStringList& list) {
        RegistroPerfiles buffer;
        QList<FilaLibreta> rows;
        const QString pfl = RutaArchivoPerfiles(QvTestSupport::programFolder());
        QVERIFY(CrearPerfiles(pfl, buffer, rows));
        for (const QString& a : list)
            rows << FilaLibreta{a, 0};
        QVERIFY(GuardarPerfiles(pfl, buffer, rows));
    }

private slots:
    void initTestCase() {
        Clock::install(&clock);
        TVEdicionAvisos::slideStepMs = 0;
    }

    void init() {
        QvTestSupport::prepare();
        ProgramFolders::global() = ProgramFolders::from(QvTestSupport::programFolder());
        ProgramFolders::global().createWorkFolders();
        NameLists::global() = NameLists::build();
        file = QvTestSupport::programFolder() + "e.QVM";
        index = ProgramFolders::global().dirTemp + "QVMsgs.IDX";
        CrearArchivoAvisos(file);
        CrearIndice(index, 0);
        addresses({"ana@example.test", "bob@example.test", "carol@example.test"});
    }

    void newReminderDefaultsAndWeekdayKinds() {
        TVEdicionAvisos e;
        e.cargarNuevo(7);
        QCOMPARE(e.findChild<QLabel*>("LabelAviso")->text(), QString("7"));
        QCOMPARE(e.findChild<QTimeEdit*>("SelectorHora")->time(), QTime(10, 15)); // whole minutes
        QCOMPARE(e.findChild<QComboBox*>("SelectorRepetir")->currentIndex(), -1);
        QCOMPARE(e.findChild<QLineEdit*>("SelectorSonidoAviso")->text(), LeerTexto(3017));
        QVERIFY(!e.findChild<QDateEdit*>("SelectorFechaUlt")->isEnabled());
        QCOMPARE(e.findChild<QListWidget*>("BoxOrigen")->count(), 3);
        QCOMPARE(e.findChild<QLineEdit*>("SelectorNombreAviso")->maxLength(), 30);

        RegistroAviso r;
        QVERIFY(!e.GuardarAviso(r)); // no description, no repetition
        QCOMPARE(MessageBoxes::shownTexts().last(), LeerTexto(9017));
        e.findChild<QLineEdit*>("SelectorNombreAviso")->setText("Gym");
        auto* repeat = e.findChild<QComboBox*>("SelectorRepetir");
        repeat->setCurrentIndex(2);
        auto* days = e.findChild<QListWidget*>("ListaDiasSemana");
        QVERIFY(!days->isHidden());
        QVERIFY(!e.GuardarAviso(r)); // "only on..." with no day: refused as incomplete
        tick(days, {0, 4});
        QVERIFY(e.GuardarAviso(r));
        QCOMPARE(int(r.Repetir), 144);
        tick(days, {1, 2, 3, 5, 6});
        QVERIFY(e.GuardarAviso(r));
        QCOMPARE(int(r.Repetir), 3); // all seven days: daily
        repeat->setCurrentIndex(6);
        QVERIFY(days->isHidden());
    }

    void saveCopiesEveryField() {
        TVEdicionAvisos e;
        e.cargarNuevo(1);
        e.findChild<QLineEdit*>("SelectorNombreAviso")->setText("Dentist");
        e.findChild<QComboBox*>("SelectorRepetir")->setCurrentIndex(0);
        e.findChild<QTimeEdit*>("SelectorHora")->setTime(QTime(16, 45, 59));
        auto* text = e.findChild<QPlainTextEdit*>("SelectorTexto");
        text->setPlainText("line 1\nline 2");
        auto* expires = e.findChild<QCheckBox*>("MensajeCaducidad");
        QTest::mouseClick(expires, Qt::LeftButton);
        QVERIFY(e.findChild<QCheckBox*>("BorrarCaducidad")->isEnabled());
        e.findChild<QCheckBox*>("BorrarCaducidad")->setChecked(true);
        e.setSonido("/sounds/bell.wav");
        QCOMPARE(e.findChild<QLineEdit*>("SelectorSonidoAviso")->text(), QString("bell.wav"));

        e.deslizarDestinatarios(true);
        QVERIFY(e.panelDestinatariosVisible());
        auto* origen = e.findChild<QListWidget*>("BoxOrigen");
        origen->setCurrentRow(2);
        e.findChild<QPushButton*>("Boton1Destino")->click(); // carol
        origen->setCurrentRow(0);
        e.findChild<QPushButton*>("Boton1Destino")->click(); // ana
        e.deslizarDestinatarios(false);
        QVERIFY(!e.panelDestinatariosVisible());

        RegistroAviso r;
        r.Activo = false;
        r.Terminado = true;
        QVERIFY(e.GuardarAviso(r));
        QVERIFY(r.Activo && !r.Terminado);
        QCOMPARE(r.Estado, uint16_t(2));
        QCOMPARE(r.horaProx(), QTime(16, 45));
        QCOMPARE(r.Texto, QString("line 1\r\nline 2"));
        QVERIFY(r.Caduca && r.BorrarAlCaducar);
        QCOMPARE(r.Sonido, QString("/sounds/bell.wav"));
        QVERIFY(r.PorEmail);
        QCOMPARE(int(r.Destinatarios[0]), 3); // by address-book number, in the listed order
        QCOMPARE(int(r.Destinatarios[1]), 1);
        QCOMPARE(int(r.Destinatarios[2]), 0);

        // Reading it back shows the same recipients and removes them from the available list.
        TVEdicionAvisos again;
        again.cargar(r);
        QCOMPARE(again.findChild<QListWidget*>("BoxDestino")->count(), 2);
        QCOMPARE(again.findChild<QListWidget*>("BoxOrigen")->count(), 1);
        QCOMPARE(again.findChild<QComboBox*>("SelectorRepetir")->currentIndex(), 0);
    }

    // The text area counts what the record stores (a line break is two
    // characters) and refuses input beyond 255 or outside Windows-1252 where it
    // is typed or pasted: the text and the cursor stay as they were. A sound file
    // whose path the record cannot hold is refused when chosen.
    void textAreaKeepsWhatIsStored_data() {
        QTest::addColumn<QString>("sound"); // a file chosen with the sound button, under the program folder
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("cursor"); // -1: at the end
        QTest::addColumn<QString>("paste");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("told");
        const QString full = QString(250, 'a') + "bcdef";
        QTest::newRow("255 pasted fit")
            << QString() << QString() << -1 << QString(255, 'x') << QString() << QString(255, 'x') << false;
        QTest::newRow("256 pasted refused whole")
            << QString() << "kept" << -1 << QString(252, 'x') << QString() << "kept" << false;
        QTest::newRow("a line break counts two")
            << QString() << QString(254, 'x') << -1 << QString() << "\r" << QString(254, 'x') << false;
        QTest::newRow("a break that fits")
            << QString() << QString(253, 'x') << -1 << QString() << "\r" << QString(253, 'x') + "\n"
            << false;
        QTest::newRow("lines pasted count their breaks")
            << QString() << QString() << -1 << QStringList(70, "ab").join('\n') << QString() << QString()
            << false;
        QTest::newRow("typing into a full area pushes nothing out")
            << QString() << full << 10 << QString() << "z" << full << false;
        QTest::newRow("Cyrillic typed is refused and named")
            << QString() << "ok" << -1 << QString() << QString::fromUtf8("ж") << "ok" << true;
        QTest::newRow("emoji pasted is refused and named")
            << QString() << "ok" << -1 << QString::fromUtf8("a😀") << QString() << "ok" << true;
        QTest::newRow("a sound in a folder named in another script is refused and named")
            << QString::fromUtf8("Звуки/bell.wav") << "ok" << -1 << QString() << QString() << "ok" << true;
        QTest::newRow("a sound in a western folder is taken")
            << QString::fromUtf8("Música/bell.wav") << "ok" << -1 << QString() << QString() << "ok" << false;
    }
    void textAreaKeepsWhatIsStored() {
        QFETCH(QString, sound);
        QFETCH(QString, start);
        QFETCH(int, cursor);
        QFETCH(QString, paste);
        QFETCH(QString, type);
        QFETCH(QString, expected);
        QFETCH(bool, told);
        TVEdicionAvisos e;
        e.cargarNuevo(1);
        e.show();
        auto* text = e.findChild<QPlainTextEdit*>("SelectorTexto");
        text->setPlainText(start);
        QTextCursor c = text->textCursor();
        c.setPosition(cursor < 0 ? int(start.size()) : cursor);
        text->setTextCursor(c);
        text->setFocus();
        const int before = text->textCursor().position();
        if (!paste.isEmpty()) {
            QApplication::clipboard()->setText(paste);
            text->paste();
        }
        for (QChar ch : type) {
            QKeyEvent press(QEvent::KeyPress, ch == u'\r' ? Qt::Key_Return : 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(text, &press);
        }
        const QString soundPath = sound.isEmpty() ? QString() : QvTestSupport::programFolder() + sound;
        if (!sound.isEmpty()) {
            QVERIFY(QDir().mkpath(QFileInfo(soundPath).path()));
            QFile wav(soundPath);
            QVERIFY(wav.open(QIODevice::WriteOnly));
            wav.close();
            QTimer::singleShot(0, [soundPath] { // the chooser is up by now: it waits for its answer
                auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(chooser);
                chooser->selectFile(soundPath);
                QMetaObject::invokeMethod(chooser, "accept");
            });
            e.findChild<QToolButton*>("SpeedSonidoAviso")->click();
        }
        QCoreApplication::processEvents();
        QCOMPARE(e.sonido(), told ? QString() : soundPath);
        QCOMPARE(text->toPlainText(), expected);
        if (expected == start) QCOMPARE(text->textCursor().position(), before); // the cursor did not move
        QCOMPARE(!MessageBoxes::shownTexts().isEmpty(), told);
        // What the area holds is what the record stores, whole.
        e.findChild<QLineEdit*>("SelectorNombreAviso")->setText("x");
        e.findChild<QComboBox*>("SelectorRepetir")->setCurrentIndex(0);
        RegistroAviso r;
        QVERIFY(e.GuardarAviso(r));
        const RegistroAviso back = RegistroAviso::fromBytes(r.toBytes().constData());
        QCOMPARE(back.Texto, QString(expected).replace("\n", "\r\n"));
        QCOMPARE(back.Sonido, e.sonido());
    }

    // The first moment the user saves is one the reminder really fires at
    // (now: Tuesday 8 December 2026, 10:15:42).
    void firstMomentFollowsTheRules_data() {
        QTest::addColumn<int>("repetition");
        QTest::addColumn<QList<int>>("days");
        QTest::addColumn<QDateTime>("chosen");
        QTest::addColumn<QDateTime>("saved"); // invalid: refused
        QTest::addColumn<int>("message");     // 0: none
        QTest::addColumn<QDate>("lastDay");   // invalid: no expiry
        const QDate today(2026, 12, 8);
        QTest::newRow("weekday set from its first day")
            << 2 << QList<int>{0, 2, 4} << QDateTime(today, QTime(11, 0))
            << QDateTime(today.addDays(1), QTime(11, 0)) << 20209 << QDate();
        QTest::newRow("daily, past today: tomorrow")
            << 3 << QList<int>{} << QDateTime(today, QTime(9, 0)) << QDateTime(today.addDays(1), QTime(9, 0))
            << 20208 << QDate();
        QTest::newRow("weekly, a week ago: next week")
            << 5 << QList<int>{} << QDateTime(today.addDays(-7), QTime(10, 0))
            << QDateTime(today.addDays(7), QTime(10, 0)) << 20208 << QDate();
        QTest::newRow("daily at the current minute") << 3 << QList<int>{} << QDateTime(today, QTime(10, 15))
                                                     << QDateTime(today, QTime(10, 15)) << 0 << QDate();
        QTest::newRow("once-only later today") << 0 << QList<int>{} << QDateTime(today, QTime(10, 30))
                                               << QDateTime(today, QTime(10, 30)) << 0 << QDate();
        QTest::newRow("once-only in the past: refused")
            << 0 << QList<int>{} << QDateTime(today, QTime(10, 14)) << QDateTime() << 20207 << QDate();
        // The last day must not lie before the first occurrence: it would never come.
        QTest::newRow("daily moved past its last day: refused")
            << 3 << QList<int>{} << QDateTime(today, QTime(9, 0)) << QDateTime() << 20806 << today;
        QTest::newRow("daily whose first day is its last")
            << 3 << QList<int>{} << QDateTime(today, QTime(10, 30)) << QDateTime(today, QTime(10, 30)) << 0
            << today;
        QTest::newRow("hourly ending today") << 1 << QList<int>{} << QDateTime(today, QTime(11, 0))
                                             << QDateTime(today, QTime(11, 0)) << 0 << today;
        QTest::newRow("weekly, last day before the first: refused")
            << 5 << QList<int>{} << QDateTime(today.addDays(3), QTime(9, 0)) << QDateTime() << 20806
            << today.addDays(1);
    }
    void firstMomentFollowsTheRules() {
        QFETCH(int, repetition);
        QFETCH(QList<int>, days);
        QFETCH(QDateTime, chosen);
        QFETCH(QDateTime, saved);
        QFETCH(int, message);
        QFETCH(QDate, lastDay);
        TVEdicionAvisos e;
        e.cargarNuevo(1);
        if (lastDay.isValid()) {
            e.findChild<QCheckBox*>("MensajeCaducidad")->click();
            e.findChild<QDateEdit*>("SelectorFechaUlt")->setDate(lastDay);
        }
        QCOMPARE(e.windowTitle(), LeerTexto(20206));
        e.findChild<QLineEdit*>("SelectorNombreAviso")->setText("Gym");
        e.findChild<QComboBox*>("SelectorRepetir")->setCurrentIndex(repetition);
        for (int d : days)
            e.findChild<QListWidget*>("ListaDiasSemana")->item(d)->setCheckState(Qt::Checked);
        e.findChild<QDateEdit*>("SelectorFecha")->setDate(chosen.date());
        e.findChild<QTimeEdit*>("SelectorHora")->setTime(chosen.time());
        MessageBoxes::shownTexts().clear();
        RegistroAviso r;
        QCOMPARE(e.GuardarAviso(r), saved.isValid());
        if (saved.isValid()) QCOMPARE(QDateTime(r.fechaProx(), r.horaProx()), saved);
        QCOMPARE(MessageBoxes::shownTexts().size(), message ? 1 : 0);
        if (message) QVERIFY(MessageBoxes::shownTexts().first().startsWith(LeerTexto(message).left(12)));
    }

    void refusedCreationReopensWithTheEntries() {
        int opened = 0;
        std::function<void(TVEdicionAvisos*)> step = [&](TVEdicionAvisos* e) {
            ++opened;
            auto* name = e->findChild<QLineEdit*>("SelectorNombreAviso");
            if (opened == 1) {
                e->findChild<QComboBox*>("SelectorRepetir")->setCurrentIndex(3);
                e->findChild<QPushButton*>("BotonAceptar")->click(); // no description: refused
                whenShown(step);
                return;
            }
            QCOMPARE(e->findChild<QComboBox*>("SelectorRepetir")->currentIndex(), 3); // kept as typed
            name->setText("Plants");
            e->findChild<QPushButton*>("BotonAceptar")->click();
        };
        whenShown(step);
        QCOMPARE(AnadirAvisoConEditor(nullptr, file, index), 1);
        QCOMPARE(opened, 2);
        QCOMPARE(LeerAviso(file, 1).Descripcion, QString("Plants"));
        QCOMPARE(LeerIndice(index), QVector<quint16>({1}));

        whenShown([](TVEdicionAvisos* e) { e->findChild<QPushButton*>("BotonCancelar")->click(); });
        QCOMPARE(AnadirAvisoConEditor(nullptr, file, index), 0);
        QCOMPARE(ContarAvisos(file), 1);
    }

    void editingWritesOnlyAValidSave() {
        RegistroAviso r = RegistroAviso::nuevo(clock.now());
        r.Descripcion = "Old";
        r.Repetir = 5;
        AnadirAviso(file, index, r);
        // A refused save keeps the dialog open with what was typed; the next OK saves it.
        bool stayedOpen = false;
        whenShown([&stayedOpen](TVEdicionAvisos* e) {
            e->findChild<QLineEdit*>("SelectorNombreAviso")->clear();
            e->findChild<QPlainTextEdit*>("SelectorTexto")->setPlainText("typed text");
            e->findChild<QPushButton*>("BotonAceptar")->click();
            stayedOpen = e->isVisible() && QApplication::activeModalWidget() == e;
            QCOMPARE(e->findChild<QPlainTextEdit*>("SelectorTexto")->toPlainText(), QString("typed text"));
            e->findChild<QLineEdit*>("SelectorNombreAviso")->setText("New");
            e->findChild<QPushButton*>("BotonAceptar")->click();
        });
        QCOMPARE(EditarAviso(nullptr, file, QString(), 1), 1);
        QVERIFY(stayedOpen);
        QCOMPARE(MessageBoxes::shownTexts().last(), LeerTexto(9017));
        QCOMPARE(LeerAviso(file, 1).Descripcion, QString("New"));
        QCOMPARE(LeerAviso(file, 1).Texto, QString("typed text"));
        QCOMPARE(int(LeerAviso(file, 1).Repetir), 5);
    }

    void fullFileRefusesBeforeTheEditor() {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(qint64(65535) * 836));
        f.close();
        QCOMPARE(AnadirAvisoConEditor(nullptr, file, index), 0);
        QCOMPARE(MessageBoxes::shownTexts().last(), LeerTexto(9016));
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"

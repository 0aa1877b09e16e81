// The dial-up component over the simulated phonebook.
#include "dialup/DialUp.h"
#include "dialup/DialUpBackendSetting.h"
#include "platform/dialup/NmcliBackend.h"
#include "platform/dialup/SimulatedPhonebook.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

using namespace dialup;

class TstDialUp : public QObject {
    Q_OBJECT

    std::shared_ptr<SimulatedPhonebook> book;
    QString path;

    SimulatedEntry entry(const QString& name, quint32 outcome = 0) {
        SimulatedEntry e;
        e.name = name;
        e.outcome = outcome;
        return e;
    }

private slots:
    void init() {
        path = QStringLiteral("phonebook.conf");
        QFile::remove(path);
        book = std::make_shared<SimulatedPhonebook>(path);
    }

    void stateTexts_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<quint32>("state");
        QTest::addColumn<QString>("text");
        QTest::newRow("en open") << int(TLanguage::English) << 0u << "Opening port";
        QTest::newRow("en connected") << int(TLanguage::English) << 8192u << "Connected";
        QTest::newRow("en expired") << int(TLanguage::English) << 4099u << "Password expired";
        QTest::newRow("cs auth") << int(TLanguage::Czech) << 5u
                                 << "Začínají se ověřovat uživatelské informace";
        QTest::newRow("cs gone") << int(TLanguage::Czech) << 8193u << "Rozpojeno";
        QTest::newRow("pt 6") << int(TLanguage::Portuguese) << 6u << "Autenticaçao: enviando";
        QTest::newRow("pt 10 as 6") << int(TLanguage::Portuguese) << 10u << "Autenticaçao: enviando";
        QTest::newRow("pt 12 as 6") << int(TLanguage::Portuguese) << 12u << "Autenticaçao: enviando";
        QTest::newRow("pt typo kept") << int(TLanguage::Portuguese) << 3u << "Componente conenctado";
        QTest::newRow("gap 22") << int(TLanguage::English) << 22u << "";
        QTest::newRow("gap 4100") << int(TLanguage::Czech) << 4100u << "";
        QTest::newRow("gap 8194") << int(TLanguage::Portuguese) << 8194u << "";
    }
    void stateTexts() {
        QFETCH(int, language);
        QFETCH(quint32, state);
        QFETCH(QString, text);
        TDialUp d(nullptr, book);
        d.Language = TLanguage(language);
        QCOMPARE(d.StateText(state, 0), text);
    }

    void stateTextWithErrorGivesErrorText() {
        TDialUp d(nullptr, book);
        QCOMPARE(d.StateText(8192, 691), errorText(691));
        QCOMPARE(d.StateText(22, kErrorCannotFindEntry), errorText(kErrorCannotFindEntry));
        QVERIFY(!errorText(691).isEmpty());
        QVERIFY(errorText(691).size() < 100);
    }

    void syncDialConnectsAndHangsUp() {
        QVERIFY(book->put(entry(QStringLiteral("Office"))));
        TDialUp d(nullptr, book);
        d.DialMode = TDialMode::dmSync;
        d.Entry = QStringLiteral("Office");
        QStringList order;
        connect(&d, &TDialUp::OnDialing, [&] { order << QStringLiteral("dialing"); });
        connect(&d, &TDialUp::OnConnect, [&] { order << QStringLiteral("connect"); });
        connect(&d, &TDialUp::OnNotConnected, [&] { order << QStringLiteral("not"); });
        QCOMPARE(d.Dial(), 0u);
        QCOMPARE(order, (QStringList{QStringLiteral("dialing"), QStringLiteral("connect")}));

        QSignalSpy active(&d, &TDialUp::OnActiveConnection);
        QCOMPARE(d.ListActiveConnections(), 0u);
        QCOMPARE(active.size(), 1);
        QCOMPARE(active[0][2].toString(), QStringLiteral("Connected"));
        QCOMPARE(active[0][3].toString(), QStringLiteral("Office"));

        QCOMPARE(d.HangUp(), 0u);
        active.clear();
        d.ListActiveConnections();
        QCOMPARE(active.size(), 0);
        // the handle stays until the next dial: a second hang-up finds nothing
        QCOMPARE(d.HangUp(), kErrorInvalidHandle);
    }

    void syncDialFailureHangsUpHalfMadeConnection() {
        SimulatedEntry e = entry(QStringLiteral("Busy"), kErrorAuthentication);
        e.keepsHandleOnFailure = true;
        e.hangUpPolls = 3; // still visible for a few status queries after hang-up
        QVERIFY(book->put(e));
        TDialUp d(nullptr, book);
        d.DialMode = TDialMode::dmSync;
        d.Entry = e.name;
        QSignalSpy dialing(&d, &TDialUp::OnDialing);
        QSignalSpy notConnected(&d, &TDialUp::OnNotConnected);
        QSignalSpy connected(&d, &TDialUp::OnConnect);
        QCOMPARE(d.Dial(), kErrorAuthentication);
        QCOMPARE(dialing.size(), 1);
        QCOMPARE(connected.size(), 0);
        QCOMPARE(notConnected.size(), 1);
        QCOMPARE(notConnected[0][0].toInt(), int(kErrorAuthentication));
        QCOMPARE(notConnected[0][1].toString(), errorText(kErrorAuthentication));
        QCOMPARE(book->hungUp().size(), 1);
        ConnectionStatus status;
        QCOMPARE(book->connectStatus(book->hungUp().first(), status), kErrorInvalidHandle);
    }

    void dialOfMissingEntryReportsError() {
        TDialUp d(nullptr, book);
        d.Entry = QStringLiteral("Nowhere");
        QSignalSpy errors(&d, &TDialUp::OnError);
        QSignalSpy dialing(&d, &TDialUp::OnDialing);
        QCOMPARE(d.Dial(), kErrorCannotFindEntry);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0][1].toString(), QStringLiteral("GetEntryDialParams failed"));
        QCOMPARE(dialing.size(), 0);
    }

    void asyncDialProgressArrivesOnOwnerThreadInOrder_data() {
        QTest::addColumn<quint32>("outcome");
        QTest::newRow("connects") << 0u;
        QTest::newRow("no carrier") << kErrorNoCarrier;
    }
    void asyncDialProgressArrivesOnOwnerThreadInOrder() {
        QFETCH(quint32, outcome);
        SimulatedEntry e = entry(QStringLiteral("Home"), outcome);
        e.states = {0, 1, 2, 3, 4, 5, 14};
        QVERIFY(book->put(e));
        TDialUp d(nullptr, book);
        d.Entry = e.name;
        QVector<int> states, errors;
        QStringList texts;
        bool offThread = false;
        connect(&d, &TDialUp::OnAsyncEvent, [&](int state, int error, const QString& text) {
            offThread |= QThread::currentThread() != d.thread();
            states << state;
            errors << error;
            texts << text;
        });
        QSignalSpy dialing(&d, &TDialUp::OnDialing);
        QCOMPARE(d.Dial(), 0u);
        QCOMPARE(dialing.size(), 1);
        QTRY_COMPARE(states.size(), 8);
        QVERIFY(!offThread);
        QCOMPARE(states.mid(0, 7), (QVector<int>{0, 1, 2, 3, 4, 5, 14}));
        QCOMPARE(texts[2], QStringLiteral("Connecting device"));
        if (outcome == 0) {
            QCOMPARE(states[7], 8192);
            QCOMPARE(texts[7], QStringLiteral("Connected"));
        } else {
            QCOMPARE(errors[7], int(outcome));
            QCOMPARE(texts[7], errorText(outcome));
        }
    }

    void onlyLastAsyncDialerReceives() {
        QVERIFY(book->put(entry(QStringLiteral("A"))));
        TDialUp first(nullptr, book), second(nullptr, book);
        first.Entry = second.Entry = QStringLiteral("A");
        QSignalSpy firstEvents(&first, &TDialUp::OnAsyncEvent);
        QSignalSpy secondEvents(&second, &TDialUp::OnAsyncEvent);
        QCOMPARE(first.Dial(), 0u);
        QTRY_COMPARE(firstEvents.size(), 4);
        QCOMPARE(second.Dial(), 0u);
        QTRY_COMPARE(secondEvents.size(), 4);
        QTest::qWait(20);
        QCOMPARE(firstEvents.size(), 4);
    }

    void destroyedReceiverDoesNotBlockTheDialThread() {
        SimulatedEntry e = entry(QStringLiteral("Long"));
        e.states = QVector<quint32>(50, 2);
        QVERIFY(book->put(e));
        {
            TDialUp d(nullptr, book);
            d.Entry = e.name;
            QCOMPARE(d.Dial(), 0u);
        }             // no event loop ran: the dial thread is waiting for delivery
        book.reset(); // joins the dial thread; a hang here fails by timeout
    }

    void hangUpBeforeAnyDial() {
        TDialUp d(nullptr, book);
        QCOMPARE(d.HangUp(), kErrorInvalidHandle);
    }

    void entriesUpToOneHundred_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<quint32>("result");
        QTest::newRow("100") << 100 << 0u;
        QTest::newRow("101") << 101 << kErrorBufferTooSmall;
    }
    void entriesUpToOneHundred() {
        QFETCH(int, count);
        QFETCH(quint32, result);
        QVector<SimulatedEntry> entries;
        for (int i = 0; i < count; ++i)
            entries << entry(QStringLiteral("E%1").arg(i));
        QVERIFY(book->save(entries));
        TDialUp d(nullptr, book);
        QSignalSpy got(&d, &TDialUp::OnEntryGet);
        QCOMPARE(d.GetEntries(), result);
        QCOMPARE(d.Entries().size(), result == 0 ? count : 0);
        QCOMPARE(got.size(), result == 0 ? count : 0);
    }

    void validateEntry_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("result");
        QTest::newRow("new") << "Fresh" << 0u;
        QTest::newRow("existing") << "Office" << kErrorAlreadyExists;
        QTest::newRow("existing other case") << "OFFICE" << kErrorAlreadyExists;
        QTest::newRow("empty") << "" << kErrorInvalidName;
        QTest::newRow("blank") << "   " << kErrorInvalidName;
        QTest::newRow("slash") << "a/b" << kErrorInvalidName;
        QTest::newRow("line break") << "a\nb" << kErrorInvalidName;
    }
    void validateEntry() {
        QFETCH(QString, name);
        QFETCH(quint32, result);
        QVERIFY(book->put(entry(QStringLiteral("Office"))));
        TDialUp d(nullptr, book);
        QCOMPARE(d.ValidateEntry(name), result);
    }

    void savedCredentials() {
        SimulatedEntry e = entry(QStringLiteral("Office"));
        e.userName = QStringLiteral("ana");
        e.password = QStringLiteral("stale");
        e.passwordSaved = false; // a password that was not saved is never handed out
        QVERIFY(book->put(e));
        TDialUp d(nullptr, book);
        d.Entry = e.name;
        QString user, password = QStringLiteral("x");
        QCOMPARE(d.GetEntryUserName(user), 0u);
        QCOMPARE(user, QStringLiteral("ana"));
        QCOMPARE(d.GetEntryPassword(password), 0u);
        QCOMPARE(password, QString());

        QCOMPARE(d.SetEntryPassword(QStringLiteral("s3cret:;=\"")), 0u);
        QCOMPARE(d.SetEntryUserName(QStringLiteral("bea")), 0u);
        TDialUp again(nullptr, std::make_shared<SimulatedPhonebook>(path));
        again.Entry = e.name;
        QCOMPARE(again.GetEntryUserName(user), 0u);
        QCOMPARE(user, QStringLiteral("bea"));
        QCOMPARE(again.GetEntryPassword(password), 0u);
        QCOMPARE(password, QStringLiteral("s3cret:;=\""));

        d.Entry = QStringLiteral("Missing");
        QCOMPARE(d.SetEntryUserName(QStringLiteral("x")), kErrorCannotFindEntry);
    }

    void damagedPhonebookGivesNoEntries() {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\x00\xff[entries]\nsize=999999\n1\\name=\n2\\name=ok\n\x01garbage", 50);
        f.close();
        TDialUp d(nullptr, book);
        QCOMPARE(d.GetEntries(), 0u);
        QVERIFY(d.Entries().size() <= 1);
    }

    void missingServiceThrows() {
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QDir::currentPath().toLocal8Bit()); // a folder without nmcli
        auto backend = std::make_shared<NmcliBackend>();
        qputenv("PATH", oldPath);
        TDialUp d(nullptr, backend);
        try {
            d.GetEntries();
            QFAIL("no error");
        } catch (const DialUpLibraryError& e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Error opening nmcli"));
        }
        QCOMPARE(d.DUNA().size(), 0);
    }

    void backendSetting() {
        QCOMPARE(dialUpBackendName(), QStringLiteral("simulated"));
        setDialUpBackendName(QStringLiteral("nmcli"));
        QCOMPARE(dialUpBackendName(), QStringLiteral("nmcli"));
    }
};

QTEST_GUILESS_MAIN(TstDialUp)
#include "tst_dialup.moc"

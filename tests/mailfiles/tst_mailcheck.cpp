// The periodic mail check: its decision row by row, the countdown over many
// ticks, and the status-bar text.
#include "TestSupport.h"
#include "mailfiles/MailCheck.h"

using namespace mailfiles;

class TestMailCheck : public QObject {
    Q_OBJECT
    FixedClock m_clock;
    QTemporaryDir m_tmp;

private slots:
    void initTestCase() { testsupport::useFixedWorld(m_clock, m_tmp); }

    void decisionTable_data() {
        QTest::addColumn<bool>("email");
        QTest::addColumn<bool>("sendOnCheck");
        QTest::addColumn<int>("every");
        QTest::addColumn<bool>("queued");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("countBefore");
        QTest::addColumn<QString>("started"); // "" = nothing, else the first two arguments
        QTest::addColumn<int>("countAfter");
        // email sendOnCheck every queued running count -> started count
        QTest::newRow("off") << false << false << 10 << true << false << 1 << "" << 1;
        QTest::newRow("on-check, period 0") << true << true << 0 << true << false << 0 << "" << 0;
        QTest::newRow("on-check, expired, queued")
            << true << true << 10 << true << false << 1 << "SMTP POP3" << 40;
        QTest::newRow("on-check, expired, empty")
            << true << true << 10 << false << false << 1 << "XXXX POP3" << 40;
        QTest::newRow("on-check, not expired, queued") << true << true << 10 << true << false << 2 << "" << 1;
        QTest::newRow("on-check, not expired, empty")
            << true << true << 10 << false << false << 40 << "" << 39;
        QTest::newRow("at once, queued, period 0")
            << true << false << 0 << true << false << 0 << "SMTP POP3" << 0;
        QTest::newRow("at once, queued, not expired")
            << true << false << 10 << true << false << 30 << "SMTP POP3" << 40;
        QTest::newRow("at once, expired, empty")
            << true << false << 10 << false << false << 1 << "XXXX POP3" << 40;
        QTest::newRow("at once, not expired, empty") << true << false << 10 << false << false << 2 << "" << 1;
        QTest::newRow("at once, period 0, empty") << true << false << 0 << false << false << 5 << "" << 0;
        QTest::newRow("client running, queued") << true << false << 10 << true << true << 1 << "" << 0;
        QTest::newRow("client running, expired") << true << true << 10 << true << true << 0 << "" << -1;
        QTest::newRow("period low 16 bits")
            << true << true << 65536 + 2 << false << false << 1 << "XXXX POP3" << 8;
        QTest::newRow("period 65536 is 0") << true << true << 65536 << true << false << 0 << "" << 0;
    }
    void decisionTable() {
        QFETCH(bool, email);
        QFETCH(bool, sendOnCheck);
        QFETCH(int, every);
        QFETCH(bool, queued);
        QFETCH(bool, running);
        QFETCH(int, countBefore);
        QFETCH(QString, started);
        QFETCH(int, countAfter);
        EstadoRevisionEmail e;
        e.email = email;
        e.sendOnCheck = sendOnCheck;
        e.checkEmailEvery = every;
        e.hayEmailSaliente = queued;
        e.clienteEnMarcha = running;
        e.cuentaRevisionEmail = countBefore;
        e.timeOut = 300;
        const DecisionRevisionEmail d = RevisarEmail(e);
        QCOMPARE(d.arrancar, !started.isEmpty());
        if (d.arrancar) {
            QCOMPARE(ArgumentosClienteEmail(d.enviar, d.recibir, d.minutos).join(u' '), started + " 44");
        }
        QCOMPARE(d.cuentaRevisionEmail, countAfter);
    }

    void firstCheckAfterFortyTicksThenWaitsForRunningClient() {
        EstadoRevisionEmail e;
        e.email = true;
        e.checkEmailEvery = 10;
        e.timeOut = 5;
        e.cuentaRevisionEmail = CuentaInicialRevisionEmail(10);
        QCOMPARE(TextoEstadoRevisionEmail(true, 10, e.cuentaRevisionEmail),
                 QStringLiteral("Next check in 00:10"));
        int tick = 0;
        for (; tick < 100; ++tick) {
            const DecisionRevisionEmail d = RevisarEmail(e);
            e.cuentaRevisionEmail = d.cuentaRevisionEmail;
            if (d.arrancar) break;
        }
        QCOMPARE(tick + 1, 40);
        QCOMPARE(e.cuentaRevisionEmail, 40);
        // The next period ends while a client still runs: no start, the count
        // goes below 0, and the start comes at the first tick after it ended.
        e.clienteEnMarcha = true;
        for (int i = 0; i < 45; ++i) {
            const DecisionRevisionEmail d = RevisarEmail(e);
            QVERIFY(!d.arrancar);
            e.cuentaRevisionEmail = d.cuentaRevisionEmail;
        }
        QCOMPARE(e.cuentaRevisionEmail, -5);
        QCOMPARE(TextoEstadoRevisionEmail(true, 10, e.cuentaRevisionEmail),
                 QStringLiteral("Next check in 00:00"));
        e.clienteEnMarcha = false;
        const DecisionRevisionEmail d = RevisarEmail(e);
        QVERIFY(d.arrancar && !d.enviar && d.recibir);
        QCOMPARE(int(d.minutos), 5);
    }

    void countdownNeverWraps() {
        EstadoRevisionEmail e;
        e.email = true;
        e.checkEmailEvery = 1;
        e.clienteEnMarcha = true;
        e.cuentaRevisionEmail = std::numeric_limits<qint32>::min();
        QCOMPARE(RevisarEmail(e).cuentaRevisionEmail, std::numeric_limits<qint32>::min());
    }

    void statusText_data() {
        QTest::addColumn<bool>("email");
        QTest::addColumn<int>("every");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("off") << false << 10 << 40 << "E-mail check off";
        QTest::newRow("no period") << true << 0 << 0 << "E-mail check off";
        QTest::newRow("rounds down") << true << 10 << 39 << "Next check in 00:09";
        QTest::newRow("hours") << true << 600 << 4 * 150 << "Next check in 02:30";
        QTest::newRow("just under a day") << true << 2000 << 4 * 1439 + 3 << "Next check in 23:59";
        QTest::newRow("a day shows zero") << true << 2000 << 4 * 1440 << "Next check in 00:00";
        QTest::newRow("below zero shows zero") << true << 10 << -1 << "Next check in 00:00";
    }
    void statusText() {
        QFETCH(bool, email);
        QFETCH(int, every);
        QFETCH(int, count);
        QFETCH(QString, text);
        QCOMPARE(TextoEstadoRevisionEmail(email, every, count), text);
    }
};

QTEST_GUILESS_MAIN(TestMailCheck)
#include "tst_mailcheck.moc"

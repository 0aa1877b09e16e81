// The NetworkManager backend against recorded `nmcli` output.
#include "dialup/DialUp.h"
#include "platform/dialup/NmcliBackend.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace dialup;

namespace {

// Replays canned answers keyed by the argument list and records every call.
struct FakeNmcli {
    QMap<QString, NmcliResult> answers;
    QStringList calls;
    NmcliRunner runner() {
        return [this](const QStringList& args) {
            const QString key = args.join(QLatin1Char(' '));
            calls << key;
            return answers.value(key, NmcliResult{10, {}, "Error: unknown connection"});
        };
    }
};

const char* kActive = "Mobile\\: O2:5b6f-uuid-1:gsm:cdc-wdm0:activated\n"
                      "Wired connection 1:a11c-uuid-2:802-3-ethernet:eth0:activating\n";

} // namespace

class TstDialUpNmcli : public QObject {
    Q_OBJECT
private slots:
    void terseLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("plain") << "a:b:c" << QStringList{"a", "b", "c"};
        QTest::newRow("escaped colon") << "Mobile\\: O2:x" << QStringList{"Mobile: O2", "x"};
        QTest::newRow("escaped backslash") << "a\\\\:b" << QStringList{"a\\", "b"};
        QTest::newRow("empty fields") << "::" << QStringList{"", "", ""};
        QTest::newRow("trailing backslash") << "a\\" << QStringList{"a\\"};
    }
    void terseLines() {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        QCOMPARE(splitTerseLine(line), fields);
    }

    void entriesAndValidation() {
        FakeNmcli nm;
        nm.answers["-t -f NAME connection show"] = {0, "Mobile\\: O2\nWired connection 1\n", {}};
        auto backend = std::make_shared<NmcliBackend>(nm.runner());
        TDialUp d(nullptr, backend);
        QCOMPARE(d.GetEntries(), 0u);
        QCOMPARE(d.Entries(), (QStringList{"Mobile: O2", "Wired connection 1"}));
        QCOMPARE(d.ValidateEntry("Mobile: O2"), kErrorAlreadyExists);
        QCOMPARE(d.ValidateEntry("New"), 0u);
        QCOMPARE(d.ValidateEntry(""), kErrorInvalidName);
    }

    void credentialsOfMobileConnection() {
        FakeNmcli nm;
        nm.answers["-g connection.type connection show id Mobile"] = {0, "gsm\n", {}};
        nm.answers["-s -e no -t -f gsm.username,gsm.password connection show id Mobile"] = {
            0, "gsm.username:web\ngsm.password:pa:s\\s\n", {}};
        nm.answers["connection modify id Mobile gsm.username ana gsm.password pa:s\\s"] = {0, {}, {}};
        TDialUp d(nullptr, std::make_shared<NmcliBackend>(nm.runner()));
        d.Entry = "Mobile";
        QString user, password;
        QCOMPARE(d.GetEntryUserName(user), 0u);
        QCOMPARE(user, QStringLiteral("web"));
        QCOMPARE(d.GetEntryPassword(password), 0u);
        QCOMPARE(password, QStringLiteral("pa:s\\s"));
        QCOMPARE(d.SetEntryUserName("ana"), 0u); // keeps the saved password
        QCOMPARE(nm.calls.last(),
                 QStringLiteral("connection modify id Mobile gsm.username ana gsm.password pa:s\\s"));
        d.Entry = "Gone";
        QCOMPARE(d.GetEntryUserName(user), kErrorCannotFindEntry);
    }

    void dialActiveListAndHangUp() {
        FakeNmcli nm;
        nm.answers["-g connection.type connection show id Mobile: O2"] = {0, "gsm\n", {}};
        nm.answers["-s -e no -t -f gsm.username,gsm.password connection show id Mobile: O2"] = {0, "", {}};
        nm.answers["-g connection.uuid connection show id Mobile: O2"] = {0, "5b6f-uuid-1\n", {}};
        nm.answers["connection up uuid 5b6f-uuid-1"] = {0, "Connection successfully activated\n", {}};
        nm.answers["connection down uuid 5b6f-uuid-1"] = {0, {}, {}};
        nm.answers["-t -f NAME,UUID,TYPE,DEVICE,STATE connection show --active"] = {0, kActive, {}};
        TDialUp d(nullptr, std::make_shared<NmcliBackend>(nm.runner()));
        d.DialMode = TDialMode::dmSync;
        d.Entry = "Mobile: O2";
        QSignalSpy connected(&d, &TDialUp::OnConnect);
        QCOMPARE(d.Dial(), 0u);
        QCOMPARE(connected.size(), 1);

        QSignalSpy active(&d, &TDialUp::OnActiveConnection);
        QCOMPARE(d.ListActiveConnections(), 0u);
        QCOMPARE(active.size(), 2);
        QCOMPARE(active[0][3].toString(), QStringLiteral("Mobile: O2"));
        QCOMPARE(active[0][2].toString(), QStringLiteral("Connected"));
        QCOMPARE(active[0][5].toString(), QStringLiteral("cdc-wdm0"));
        QCOMPARE(active[1][2].toString(), QStringLiteral("Connecting device"));

        // after "down" the connection leaves the active list: the wait ends
        nm.answers["-t -f NAME,UUID,TYPE,DEVICE,STATE connection show --active"] = {
            0, "Wired connection 1:a11c-uuid-2:802-3-ethernet:eth0:activated\n", {}};
        QCOMPARE(d.HangUp(), 0u);
        QVERIFY(nm.calls.contains("connection down uuid 5b6f-uuid-1"));
    }

    void failedActivation() {
        FakeNmcli nm;
        nm.answers["-g connection.type connection show id Mobile"] = {0, "gsm\n", {}};
        nm.answers["-s -e no -t -f gsm.username,gsm.password connection show id Mobile"] = {0, "", {}};
        nm.answers["-g connection.uuid connection show id Mobile"] = {0, "u1\n", {}};
        nm.answers["connection up uuid u1"] = {4, {}, "Error: Connection activation failed"};
        TDialUp d(nullptr, std::make_shared<NmcliBackend>(nm.runner()));
        d.DialMode = TDialMode::dmSync;
        d.Entry = "Mobile";
        QSignalSpy notConnected(&d, &TDialUp::OnNotConnected);
        QCOMPARE(d.Dial(), kErrorNoCarrier);
        QCOMPARE(notConnected.size(), 1);
    }

    void serviceNotRunning() {
        // what nmcli prints with no NetworkManager on the bus (recorded on Debian 12)
        FakeNmcli nm;
        nm.answers["-t -f NAME connection show"] = {
            1,
            {},
            "Error: Could not create NMClient object: Could not connect: No such file or directory.\n"};
        TDialUp d(nullptr, std::make_shared<NmcliBackend>(nm.runner()));
        QCOMPARE(d.GetEntries(), kErrorServiceUnavailable);
        QVERIFY(d.Entries().isEmpty());
        QCOMPARE(d.StateText(0, kErrorServiceUnavailable), errorText(kErrorServiceUnavailable));
    }

    void realNmcliAnswersOrReportsNoService() {
        if (QStandardPaths::findExecutable(QStringLiteral("nmcli")).isEmpty())
            QSKIP("nmcli is not installed");
        TDialUp d(nullptr, std::make_shared<NmcliBackend>());
        const quint32 rc = d.GetEntries();
        QVERIFY2(rc == 0 || rc == kErrorServiceUnavailable, qPrintable(QString::number(rc)));
    }

    void unreadableOutputIsNoConnection() {
        FakeNmcli nm;
        nm.answers["-t -f NAME,UUID,TYPE,DEVICE,STATE connection show --active"] = {
            0, "junk\n\xff\xfe:::\n", {}};
        TDialUp d(nullptr, std::make_shared<NmcliBackend>(nm.runner()));
        QSignalSpy active(&d, &TDialUp::OnActiveConnection);
        QCOMPARE(d.ListActiveConnections(), 0u);
        QCOMPARE(active.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TstDialUpNmcli)
#include "tst_dialup_nmcli.moc"

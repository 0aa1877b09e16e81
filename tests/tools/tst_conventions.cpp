// The three programs on the command line as a user or a script meets them:
// --help and --version print and touch nothing, bad usage exits 2, secrets come
// from standard input, and what a reminders file holds reaches the terminal
// without control bytes, with a warning for a damaged file.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {
const QString kBin = QStringLiteral(ORB_BINARY_DIR "/src/");

struct Run {
    int rc = -1;
    QByteArray out, err;
};

Run run(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORB_NO_DIALOGS"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000)) p.kill();
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

QString tool() {
    return kBin + QStringLiteral("tools/qvtool");
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A folder's file names and sizes, to tell that a run left everything as it was.
QStringList snapshot(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        out << it.filePath() + u'=' + QString::number(it.fileInfo().size());
    }
    out.sort();
    return out;
}
} // namespace

class TestConventions : public QObject {
    Q_OBJECT
private slots:
    void commandLine_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QByteArray>("out"); // stdout holds this
        QTest::addColumn<QByteArray>("err"); // stderr holds this
        const QString qv = kBin + QStringLiteral("qv/QV"), qvmc = kBin + QStringLiteral("qvmc/QVMC");
        QTest::newRow("QV --version")
            << qv << QStringList{"--version"} << 0 << QByteArray("QV 2.0") << QByteArray();
        QTest::newRow("QV --help") << qv << QStringList{"--help"} << 0 << QByteArray("usage: QV [FILE]")
                                   << QByteArray();
        QTest::newRow("QV unknown option") << qv << QStringList{"--frobnicate"} << 2 << QByteArray()
                                           << QByteArray("unknown option --frobnicate");
        QTest::newRow("QVMC --help") << qvmc << QStringList{"--help"} << 0
                                     << QByteArray("usage: QVMC SMTP|XXXX POP3|XXXX MINUTES") << QByteArray();
        QTest::newRow("QVMC --version")
            << qvmc << QStringList{"--version"} << 0 << QByteArray("QVMC 2.0") << QByteArray();
        QTest::newRow("QVMC unknown option") << qvmc << QStringList{"SMTP", "POP3", "1", "--verbose"} << 1
                                             << QByteArray() << QByteArray("must be started by Orbalinder");
        QTest::newRow("qvtool --help")
            << tool() << QStringList{"--help"} << 0 << QByteArray("Exit status: 0 done") << QByteArray();
        QTest::newRow("qvtool --version")
            << tool() << QStringList{"--version"} << 0 << QByteArray("qvtool 2.0") << QByteArray();
        QTest::newRow("qvtool alone")
            << tool() << QStringList{} << 2 << QByteArray() << QByteArray("usage: qvtool COMMAND");
        QTest::newRow("command help") << tool() << QStringList{"add", "--help"} << 0
                                      << QByteArray("usage: qvtool add FILE --desc D") << QByteArray();
        QTest::newRow("unknown option") << tool() << QStringList{"list", "F.QVM", "--jsn"} << 2
                                        << QByteArray() << QByteArray("Unknown option 'jsn'");
        QTest::newRow("extra argument") << tool() << QStringList{"list", "F.QVM", "G.QVM"} << 2
                                        << QByteArray() << QByteArray("unexpected argument G.QVM");
        QTest::newRow("settings help") << tool() << QStringList{"settings", "--help"} << 0
                                       << QByteArray("usage: qvtool settings list") << QByteArray();
        QTest::newRow("set: both --on and --off")
            << tool() << QStringList{"set", "F.QVM", "1", "--on", "--off"} << 2 << QByteArray()
            << QByteArray("--on and --off exclude each other");
        QTest::newRow("remove: missing number") << tool() << QStringList{"remove", "F.QVM"} << 2
                                                << QByteArray() << QByteArray("usage: qvtool remove FILE N");
        QTest::newRow("sync: a password on the command line")
            << tool()
            << QStringList{"sync", "F.QVM", "--url", "https://h/", "--user", "u", "--password", "pw"} << 2
            << QByteArray() << QByteArray("the password comes from standard input");
        QTest::newRow("snooze: minutes out of range")
            << tool() << QStringList{"snooze", "VAvisoActive_1", "0"} << 2 << QByteArray()
            << QByteArray("from 1 to 10080");
    }
    void commandLine() {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(int, rc);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        // What the program could touch: its settings, the program folder.
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        QDir().mkpath(config + "/Orbalinder");
        QFile conf(config + "/Orbalinder/settings.conf");
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("[Software\\Norvo Freeware\\Orbalinder]\nOpenFile=sz:/somewhere/missing.QVM\n");
        conf.close();
        const QStringList before = snapshot(QDir::currentPath()) + snapshot(config);
        const Run r = run(program, args);
        QCOMPARE(r.rc, rc);
        QVERIFY2(r.out.contains(out), r.out.constData());
        QVERIFY2(r.err.contains(err), r.err.constData());
        QCOMPARE(snapshot(QDir::currentPath()) + snapshot(config), before);
        QVERIFY(contents(conf.fileName()).contains("OpenFile=sz:/somewhere/missing.QVM"));
    }

    void passwordsFromStandardInput() {
        const Run r = run(tool(),
                          {"profile", "QV.PFL", "--email", "ana@example.org", "--smtp", "smtp.example.org",
                           "--pop3", "pop.example.org", "--login", "ana", "--password", "-",
                           "--smtp-password", "-", "--smtp-security", "tls"},
                          "pop secret\nsmtp secret\n");
        QCOMPARE(r.rc, 0);
        QVERIFY(contents("QV.PFL").contains("pop secret"));
        QVERIFY(contents("QV.PFS").contains("smtp-password=smtp%20secret"));
        // Nothing to read: refused, nothing stored as an empty password.
        QCOMPARE(run(tool(), {"profile", "B.PFL", "--email", "b@example.org", "--password", "-"}).rc, 2);
        QVERIFY(!QFile::exists("B.PFL"));
    }

    void hostileAndDamagedFiles_data() {
        QTest::addColumn<QByteArray>("tail");   // appended to one good record
        QTest::addColumn<qint64>("sparseSize"); // the file made this long (0: not)
        QTest::addColumn<QByteArray>("warning");
        QTest::newRow("escape sequences") << QByteArray() << qint64(0) << QByteArray();
        QTest::newRow("truncated") << QByteArray(100, 'x') << qint64(0)
                                   << QByteArray("not a multiple of 836");
        QTest::newRow("2 GB") << QByteArray() << qint64(2) * 1024 * 1024 * 1024 + 5
                              << QByteArray("Its 65535 whole reminders are used");
    }
    void hostileAndDamagedFiles() {
        QFETCH(QByteArray, tail);
        QFETCH(qint64, sparseSize);
        QFETCH(QByteArray, warning);
        const QString file = QDir::currentPath() + "/hostile.QVM";
        QFile::remove(file);
        QCOMPARE(run(tool(),
                     {"add", file, "--desc", "x", "--date", "2026-12-09", "--time", "09:30", "--text", "t"})
                     .rc,
                 0);
        // Terminal controls in the stored texts: retitle, clear, a C1 CSI.
        QByteArray bytes = contents(file);
        const QByteArray desc = "\x1b]0;owned\x07\x1b[2J";
        bytes[6] = char(desc.size());
        bytes.replace(7, desc.size(), desc);
        bytes[57] = 3;
        bytes.replace(58, 3,
                      "a\x9d"
                      "b"); // a byte Windows-1252 leaves undefined: C1 control U+009D
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes + tail);
        if (sparseSize) QVERIFY(f.resize(sparseSize));
        f.close();
        const Run r = run(tool(), {"list", file});
        QCOMPARE(r.rc, 0);
        for (const char c : r.out)
            QVERIFY2(uchar(c) >= 0x20 || c == '\t' || c == '\n', qPrintable(QString::number(uchar(c), 16)));
        QVERIFY(!r.out.contains("\xc2\x9d"));
        QVERIFY(r.out.contains("a\\u009db"));
        QVERIFY2(r.out.startsWith("1\t"), r.out.left(200).constData());
        QVERIFY(r.out.contains("\\u001b]0;owned\\u0007"));
        QCOMPARE(r.out.count('\n'), sparseSize ? 65535 : 1);
        QVERIFY2(r.err.contains(warning), r.err.constData());
        if (warning.isEmpty()) QVERIFY(r.err.isEmpty());
        QFile::remove(file);
    }
};

QTEST_GUILESS_MAIN(TestConventions)
#include "tst_conventions.moc"

// Reminders files written byte by byte by another writer (tests/data/store,
// made by make_golden.py): every field read at its offset, junk in the
// not-significant bytes ignored, a clean write-back, and damaged files.
#include "core/DateTimeValue.h"
#include "store/ReminderFile.h"

#include <cmath>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QtTest>

#include "../support/ReminderFileFixture.h"

namespace {

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QString golden(const char* name) {
    return QStringLiteral(ORB_TEST_DATA "/store/") + QLatin1String(name);
}

QVector<int> recipients(const RegistroAviso& r) {
    QVector<int> out;
    for (uint8_t b : r.Destinatarios)
        if (b != 0) out << b;
    return out;
}

} // namespace

class TestGoldenFiles : public QObject, ReminderFileFixture {
    Q_OBJECT

private slots:
    void init() {
        setUpFolder("golden.QVM", false);
        QFile::remove(file);
    }

    void everyFieldReadsAtItsOffset_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("foreign writer, junk tails") << golden("windows-two.qvm");
        QTest::newRow("clean") << golden("clean-two.qvm");
    }
    void everyFieldReadsAtItsOffset() {
        QFETCH(QString, path);
        QCOMPARE(ContarAvisos(path), 2);
        QVERIFY(DiagnosticoArchivo(path).isEmpty());

        const RegistroAviso a = LeerAviso(path, 1);
        QCOMPARE(a.Estado, 2);
        QVERIFY(a.Activo);
        QVERIFY(!a.Terminado);
        QCOMPARE(a.Numero, 1);
        QCOMPARE(a.Descripcion, QStringLiteral("Cita m\u00e9dico"));
        QCOMPARE(a.fechaProx(), QDate(2026, 12, 8));
        QCOMPARE(a.horaProx(), QTime(9, 30));
        QCOMPARE(a.Repetir, 3);
        QCOMPARE(a.Texto, QStringLiteral("L\u00ednea 1\r\nL\u00ednea 2 cuesta 5 \u20ac"));
        QCOMPARE(a.Sonido, QStringLiteral("C:\\Sonidos\\aviso.wav"));
        QVERIFY(a.Caduca);
        QVERIFY(a.BorrarAlCaducar);
        QCOMPARE(a.fechaUlt(), QDate(2027, 1, 31));
        QVERIFY(a.PorEmail);
        QCOMPARE(recipients(a), QVector<int>({3, 7})); // the empty slot between them is skipped

        const RegistroAviso b = LeerAviso(path, 2);
        QCOMPARE(b.Estado, 0);
        QVERIFY(b.Activo); // 0xFF in the foreign file: any non-zero flag is true
        QVERIFY(b.Terminado);
        QCOMPARE(b.Numero, 2);
        QCOMPARE(b.Descripcion, QString(30, QLatin1Char('X')));
        QCOMPARE(b.fechaProx(), QDate(2024, 2, 29));
        QCOMPARE(b.horaProx(), QTime(23, 15));
        QCOMPARE(b.Repetir, 127 + 2 + 8);
        QVERIFY(b.Texto.isEmpty());
        QVERIFY(b.Sonido.isEmpty());
        QVERIFY(!b.PorEmail);
        QVERIFY(recipients(b).isEmpty());
    }

    // What comes back from a foreign file is the clean form: junk zeroed, flags 1.
    void writeBackIsTheCleanForm() {
        writeAll(file, bytesOf(golden("windows-two.qvm")));
        for (int n = 1; n <= 2; ++n)
            EscribirAviso(file, n, LeerAviso(file, n));
        QCOMPARE(bytesOf(file), bytesOf(golden("clean-two.qvm")));

        const QByteArray clean = bytesOf(golden("clean-two.qvm"));
        for (int n = 0; n < 2; ++n) {
            const QByteArray one = clean.mid(n * RegistroAviso::kTamano, RegistroAviso::kTamano);
            QCOMPARE(RegistroAviso::fromBytes(one.constData()).toBytes(), one);
        }
    }

    // Compaction drops the record marked 0 and keeps the other byte for byte.
    void compactionOfTheGoldenFile() {
        writeAll(file, bytesOf(golden("clean-two.qvm")));
        CrearIndice(index, 2);
        QVERIFY(CompactarAvisos(file, index));
        QCOMPARE(bytesOf(file), bytesOf(golden("clean-two.qvm")).left(RegistroAviso::kTamano));
        QCOMPARE(LeerIndice(index), QVector<quint16>({1}));
        QVERIFY(!QFile::exists(ProgramFolders::global().dirTemp + QStringLiteral("INTERMEDIO.QVM")));
    }

    void damagedFilesKeepTheirWholeRecords_data() {
        QTest::addColumn<int>("extra");
        QTest::addColumn<int>("whole");
        QTest::newRow("torn last record") << -100 << 1;
        QTest::newRow("one stray byte") << 1 << 2;
        QTest::newRow("less than a record") << -(RegistroAviso::kTamano * 2 - 10) << 0;
    }
    void damagedFilesKeepTheirWholeRecords() {
        QFETCH(int, extra);
        QFETCH(int, whole);
        QByteArray bytes = bytesOf(golden("clean-two.qvm"));
        if (extra < 0)
            bytes.chop(-extra);
        else
            bytes.append(QByteArray(extra, '\x7f'));
        writeAll(file, bytes);

        QCOMPARE(ContarAvisos(file), whole);
        QVERIFY(!DiagnosticoArchivo(file).isEmpty());
        QCOMPARE(LeerTodosLosAvisos(file).size(), whole);
        QCOMPARE(LeerResumenes(file).size(), whole);
        CrearIndice(index, whole);
        QVERIFY(CompactarAvisos(file, index)); // record 2 (when whole) is marked 0
        QCOMPARE(ContarAvisos(file), std::min(whole, 1));
        QVERIFY(DiagnosticoArchivo(file).isEmpty());
        if (whole > 0) QCOMPARE(LeerAviso(file, 1).Descripcion, QStringLiteral("Cita m\u00e9dico"));
    }

    // Length bytes larger than their fields: the text stops at the field's end
    // and never reaches into the next field.
    void overlongLengthBytes() {
        QByteArray one = bytesOf(golden("clean-two.qvm")).left(RegistroAviso::kTamano);
        one[6] = char(0xFF);   // Descripcion, 30 at most
        one[57] = char(0xFF);  // Texto: 255, the largest a byte can say
        one[313] = char(0xFF); // Sonido
        const RegistroAviso r = RegistroAviso::fromBytes(one.constData());
        QCOMPARE(r.Descripcion.size(), 30);
        QVERIFY(r.Descripcion.startsWith(QStringLiteral("Cita m\u00e9dico")));
        QCOMPARE(r.Texto.size(), 255);
        QCOMPARE(r.Sonido.size(), 255);
        QCOMPARE(r.fechaProx(), QDate(2026, 12, 8)); // the fields after them are untouched
        QCOMPARE(RegistroAviso::fromBytes(r.toBytes().constData()), r);
    }

    // The compact summaries the list and the passes use are read straight from
    // the stored bytes: they must say what the whole record says, also for
    // values no editor writes (no day, a time that rounds to midnight, a length
    // byte past its field, flags other than 1).
    void summariesAgreeWithTheRecord_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("bytes");
        auto f64 = [](double d) {
            QByteArray b(8, '\0');
            std::memcpy(b.data(), &d, 8);
            return b;
        };
        QTest::newRow("golden record") << 0 << QByteArray();
        QTest::newRow("date not a number") << 40 << f64(std::nan(""));
        QTest::newRow("date beyond any calendar") << 40 << f64(4.0e6);
        QTest::newRow("date before the epoch") << 40 << f64(-1.25);
        QTest::newRow("time one tick before midnight") << 48 << f64(0.99999999);
        QTest::newRow("time half a minute") << 48 << f64(0.5 + 29.6 / 86400);
        QTest::newRow("negative time") << 48 << f64(-0.75);
        QTest::newRow("description length past its field") << 6 << QByteArray(1, char(0xFF));
        QTest::newRow("flags other than one") << 2 << QByteArray("\x07\x00", 2);
        QTest::newRow("finished, expiring, removed, mailed") << 3 << QByteArray(1, char(9));
        QTest::newRow("weekday set") << 56 << QByteArray(1, char(127 + 5));
    }
    void summariesAgreeWithTheRecord() {
        QFETCH(int, offset);
        QFETCH(QByteArray, bytes);
        QByteArray raw = bytesOf(golden("clean-two.qvm")).left(RegistroAviso::kTamano);
        raw.replace(offset, bytes.size(), bytes);
        raw[569] = raw[570] = raw[580] =
            raw[3]; // Caduca, BorrarAlCaducar, PorEmail follow the row's flag byte
        const RegistroAviso r = RegistroAviso::fromBytes(raw.constData());
        ResumenesAvisos s;
        s.anadir(raw.constData());
        const ResumenesAvisos::Fila& f = s[0];
        QCOMPARE(f.fechaProx(), r.fechaProx());
        QCOMPARE(f.horaProx(), QTime(r.horaProx().hour(), r.horaProx().minute()));
        QCOMPARE(s.descripcion(0), r.Descripcion);
        QCOMPARE(f.Numero, r.Numero);
        QCOMPARE(f.Repetir, r.Repetir);
        using F = ResumenesAvisos::Fila;
        QCOMPARE(f.tiene(F::Activo), r.Activo);
        QCOMPARE(f.tiene(F::Terminado), r.Terminado);
        QCOMPARE(f.tiene(F::Caduca), r.Caduca);
        QCOMPARE(f.tiene(F::BorrarAlCaducar), r.BorrarAlCaducar);
        QCOMPARE(f.tiene(F::PorEmail), r.PorEmail);
        QCOMPARE(f.momento(), qint64(DateTimeValue::fromDate(r.fechaProx())) * 86400 +
                                  (r.horaProx().hour() * 60 + r.horaProx().minute()) * 60);
    }

    void notAReminderFile() {
        writeAll(file, QByteArray("<html>hello</html>\n").repeated(3));
        QCOMPARE(ContarAvisos(file), 0);
        QVERIFY(DiagnosticoArchivo(file).contains(QStringLiteral("836")));
        QVERIFY_THROWS_EXCEPTION(ReminderFileError, LeerAviso(file, 1));
        QVERIFY_THROWS_EXCEPTION(ReminderFileError, LeerAviso(QDir::currentPath(), 1)); // a folder
    }

    // A file whose stored numbers disagree with the positions (another writer,
    // a half-finished edit): deleting reminder 2 must remove exactly the second
    // record, never several, never none.
    void deleteByPositionInAMisnumberedFile() {
        QByteArray bytes;
        for (const char* d : {"uno", "dos", "tres"}) {
            RegistroAviso r = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
            r.Descripcion = QLatin1String(d);
            r.Numero = 2; // every record claims number 2
            bytes += r.toBytes();
        }
        writeAll(file, bytes);
        CrearIndice(index, 3);
        const bool deleted = EliminarAviso(file, index, 2);
        QVERIFY(deleted);
        QStringList left;
        for (const auto& r : LeerTodosLosAvisos(file))
            left << QStringLiteral("%1:%2").arg(r.Numero).arg(r.Descripcion);
        QCOMPARE(left, QStringList({QStringLiteral("1:uno"), QStringLiteral("2:tres")}));
        QCOMPARE(LeerIndice(index).size(), ContarAvisos(file)); // the index still matches the file
    }

    // A file beyond the limit (another writer, or two files joined): a rewrite
    // must not silently drop the reminders after the 65535th.
    void rewriteBeyondTheLimitLosesNothing() {
        const QByteArray one = bytesOf(golden("clean-two.qvm")).left(RegistroAviso::kTamano);
        writeAll(file, one.repeated(RegistroAviso::kMaxAvisos + 2));
        QCOMPARE(ContarAvisos(file), RegistroAviso::kMaxAvisos);
        QVERIFY(!DiagnosticoArchivo(file).isEmpty());
        CrearIndice(index, RegistroAviso::kMaxAvisos);
        const bool compacted = CompactarAvisos(file, index);
        const qint64 size = QFileInfo(file).size();
        QVERIFY(!compacted && size == qint64(RegistroAviso::kTamano) * (RegistroAviso::kMaxAvisos + 2));
    }

    // A reminders file that went away (moved, deleted during a run) is told by
    // every operation that changes records, and never comes back as an empty file.
    void missingFileIsNeverCreated_data() {
        QTest::addColumn<int>("operation");
        QTest::newRow("write a record") << 0;
        QTest::newRow("add a reminder") << 1;
        QTest::newRow("a pass over the file") << 2;
        QTest::newRow("switch on or off") << 3;
        QTest::newRow("delete") << 4;
        QTest::newRow("compact") << 5;
        QTest::newRow("count") << 6;
    }
    void missingFileIsNeverCreated() {
        QFETCH(int, operation);
        CrearIndice(index, 1);
        const RegistroAviso r = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        QString told;
        bool refused = false;
        try {
            switch (operation) {
            case 0:
                EscribirAviso(file, 1, r);
                break;
            case 1:
                AnadirAviso(file, index, r);
                break;
            case 2:
                ReminderFileCursor{file};
                break;
            case 3:
                ActivarDesactivarAviso(file, 1);
                break;
            case 4:
                refused = !EliminarAviso(file, index, 1);
                break;
            case 5:
                refused = !CompactarAvisos(file, index);
                break;
            case 6:
                ContarAvisos(file);
                break;
            }
        } catch (const ReminderFileError& e) {
            told = QString::fromUtf8(e.what());
        }
        QVERIFY2(refused || told.contains(QStringLiteral("does not exist")), qPrintable(told));
        QVERIFY(!QFileInfo::exists(file));
        QCOMPARE(LeerIndice(index).size(), 1); // the index is left alone too
    }

    // Index after a sort, then each operation: always one entry per record.
    void indexFollowsEveryOperation() {
        CrearArchivoAvisos(file);
        CrearIndice(index, 0);
        for (int i = 0; i < 4; ++i) {
            RegistroAviso r = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 8), QTime(9, i)));
            r.Descripcion = QString::number(i + 1);
            QCOMPARE(AnadirAviso(file, index, r), i + 1);
        }
        QCOMPARE(LeerIndice(index), QVector<quint16>({1, 2, 3, 4}));
        EscribirIndice(index, {4, 2, 3, 1}); // the list was sorted
        RegistroAviso third = LeerAviso(file, 3);
        third.Estado = 0;
        EscribirAviso(file, 3, third);
        QVERIFY(CompactarAvisos(file, index));
        QCOMPARE(LeerIndice(index), QVector<quint16>({1, 2, 3}));
        EscribirIndice(index, {3, 1, 2});
        QVERIFY(EliminarAviso(file, index, 1));
        QCOMPARE(LeerIndice(index), QVector<quint16>({1, 2}));
        QCOMPARE(LeerAviso(file, 2).Descripcion, QStringLiteral("4"));
        QCOMPARE(LeerAviso(file, 2).Numero, 2);
        CrearArchivoAvisos(file);
        QCOMPARE(ContarAvisos(file), 0);
    }
};

QTEST_GUILESS_MAIN(TestGoldenFiles)
#include "tst_goldenfiles.moc"

// The reminders file and index: byte layout, numbering after delete and
// compaction, the index after each operation, atomic replacement, damaged files.
#include "store/ReminderFile.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include "../support/ReminderFileFixture.h"

#include <sys/stat.h>

class TestReminderFile : public QObject, ReminderFileFixture {
    Q_OBJECT

    RegistroAviso aviso(const QString& d) {
        RegistroAviso r = RegistroAviso::nuevo(QDateTime(QDate(2026, 12, 8), QTime(9, 30, 15, 250)));
        r.Descripcion = d;
        return r;
    }

    QStringList descriptions() {
        QStringList out;
        for (const auto& r : LeerTodosLosAvisos(file))
            out << QString("%1:%2").arg(r.Numero).arg(r.Descripcion);
        return out;
    }

private slots:
    void init() { setUpFolder("test.QVM"); }

    void recordLayoutIsByteExact() {
        RegistroAviso r;
        r.Estado = 2;
        r.Activo = true;
        r.Numero = 0x0102;
        r.Descripcion = QString::fromUtf8("Café €");
        r.setFechaProx(QDate(2026, 12, 8));
        r.setHoraProx(QTime(18, 0));
        r.Repetir = 127 + 1 + 16;
        r.Texto = "line1\r\nline2";
        r.Sonido = "/snd/a.wav";
        r.Caduca = r.BorrarAlCaducar = true;
        r.setFechaUlt(QDate(1899, 12, 31));
        r.PorEmail = true;
        r.Destinatarios[0] = 3;
        r.Destinatarios[254] = 9;
        const QByteArray b = r.toBytes();
        QCOMPARE(b.size(), 836);
        QCOMPARE(b.mid(0, 6).toHex(), QByteArray("020001000201"));
        QCOMPARE(b.mid(6, 7), QByteArray("\x06"
                                         "Caf\xE9 \x80"));
        QCOMPARE(b.mid(37, 3), QByteArray(3, '\0'));
        QCOMPARE(b.mid(40, 8).toHex(), QByteArray("0000000080a3e640")); // 46364.0
        QCOMPARE(b.mid(48, 8).toHex(), QByteArray("000000000000e83f")); // 0.75
        QCOMPARE(quint8(b[56]), quint8(144));
        QCOMPARE(b.mid(57, 13), QByteArray("\x0c"
                                           "line1\r\nline2"));
        QCOMPARE(quint8(b[313]), quint8(10));
        QCOMPARE(b.mid(569, 3).toHex(), QByteArray("010100"));
        QCOMPARE(b.mid(572, 8).toHex(), QByteArray("000000000000f03f")); // 1.0
        QCOMPARE(quint8(b[580]), quint8(1));
        QCOMPARE(quint8(b[581]), quint8(3));
        QCOMPARE(quint8(b[835]), quint8(9));
        QCOMPARE(RegistroAviso::fromBytes(b.constData()), r);
    }

    void longTextsAreCut() {
        RegistroAviso r = aviso(QString(40, 'd'));
        r.Texto = QString(300, 't');
        const RegistroAviso back = RegistroAviso::fromBytes(r.toBytes().constData());
        QCOMPARE(back.Descripcion.size(), 30);
        QCOMPARE(back.Texto.size(), 255);
    }

    void appendDeleteCompactKeepNumbersAndIndex() {
        for (const char* d : {"a", "b", "c", "d", "e"})
            AnadirAviso(file, index, aviso(d));
        QCOMPARE(ContarAvisos(file), 5);
        QCOMPARE(LeerIndice(index), QVector<quint16>({1, 2, 3, 4, 5}));
        EscribirIndice(index, {5, 4, 3, 2, 1}); // a sorted list
        QVERIFY(EliminarAviso(file, index, 3));
        QCOMPARE(descriptions(), QStringList({"1:a", "2:b", "3:d", "4:e"}));
        QCOMPARE(LeerIndice(index), QVector<quint16>({1, 2, 3, 4})); // file order again

        RegistroAviso first = LeerAviso(file, 1);
        first.Estado = 0;
        EscribirAviso(file, 1, first);
        QVERIFY(CompactarAvisos(file, index));
        QCOMPARE(descriptions(), QStringList({"1:b", "2:d", "3:e"}));
        QCOMPARE(LeerIndice(index), QVector<quint16>({1, 2, 3}));
        QVERIFY(!QFile::exists(ProgramFolders::global().dirTemp + "INTERMEDIO.QVM"));
    }

    void switchingOnOff() {
        AnadirAviso(file, index, aviso("x"));
        ActivarDesactivarAviso(file, 1);
        QVERIFY(!LeerAviso(file, 1).Activo);
        RegistroAviso r = LeerAviso(file, 1);
        r.Terminado = true;
        EscribirAviso(file, 1, r);
        ActivarDesactivarAviso(file, 1); // finished: unchanged
        QVERIFY(!LeerAviso(file, 1).Activo);
    }

    void failedRewriteLeavesTheOldFile() {
        AnadirAviso(file, index, aviso("keep"));
        const QByteArray before = QFile(file).exists() ? [&] {
            QFile f(file);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }() : QByteArray();
        // The work folder cannot be written: the rewrite fails before touching the file.
        const QString temp = ProgramFolders::global().dirTemp;
        QVERIFY(QDir(temp).removeRecursively());
        QFile blocker(temp.chopped(1));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a plain file where TEMP/ should be
        blocker.close();
        QVERIFY(!EliminarAviso(file, index, 1));
        QVERIFY(!CompactarAvisos(file, index));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        QFile::remove(temp.chopped(1));
    }

    void truncatedFileKeepsItsWholeRecords() {
        for (const char* d : {"one", "two"})
            AnadirAviso(file, index, aviso(d));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::Append));
            f.write("torn tail");
        }
        QCOMPARE(ContarAvisos(file), 2);
        QVERIFY(DiagnosticoArchivo(file).contains("not a multiple of 836"));
        QCOMPARE(LeerAviso(file, 2).Descripcion, QString("two"));
        // A new reminder goes after the whole records, never after the torn bytes.
        QCOMPARE(AnadirAviso(file, index, aviso("three")), 3);
        QCOMPARE(descriptions(), QStringList({"1:one", "2:two", "3:three"}));
        QVERIFY(DiagnosticoArchivo(file).isEmpty());
        QVERIFY_THROWS_EXCEPTION(ReminderFileError, LeerAviso(file, 4));
        QVERIFY_THROWS_EXCEPTION(ReminderFileError, ContarAvisos(file + ".missing"));
        QVERIFY(DiagnosticoArchivo(file + ".missing").startsWith("Cannot open"));
    }

    void fullFileRefusesTheNextReminder() {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(qint64(65534) * 836));
        f.close();
        QCOMPARE(AnadirAviso(file, index, aviso("last")), 65535);
        QCOMPARE(AnadirAviso(file, index, aviso("too many")), 0);
        QCOMPARE(ContarAvisos(file), 65535);
    }
};

QTEST_GUILESS_MAIN(TestReminderFile)
#include "tst_reminderfile.moc"

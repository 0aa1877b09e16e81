// POP3 figures: retrieving every message of a mailbox from a server, and base64
// decoding in memory.
//   bench_pop3 retrieve HOST PORT USER PASSWORD FOLDER
//   bench_pop3 decode MIB
//   bench_pop3 decodefile IN OUT     (prints the seconds of decoding IN into OUT)
#include "mail/codec/UUProcessor.h"
#include "mail/pop3/Pop3Client.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>

#include <cstdio>
#include <exception>

namespace {

int Retrieve(const QStringList& args) {
    TPop3Client pop;
    pop.setHost(args[0]);
    pop.setPort(args[1].toInt());
    pop.UserID = args[2];
    pop.Password = args[3];
    pop.AttachFilePath = args[4] + QLatin1Char('/');
    QElapsedTimer timer;
    timer.start();
    pop.Connect();
    qint64 lines = 0;
    int files = 0;
    for (int n = 1; n <= pop.MailCount(); ++n) {
        pop.GetMailMessage(n);
        lines += pop.BytesRecvd();
        files += int(pop.MailMessage.Attachments.size());
    }
    pop.Disconnect();
    std::printf("bench_pop3 retrieve %d messages (%lld body lines, %d files): %.3f s\n", pop.MailCount(),
                static_cast<long long>(lines), files, timer.nsecsElapsed() / 1e9);
    return 0;
}

int Decode(int mib) {
    QByteArray data(qsizetype(mib) * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype k = 0; k < data.size(); ++k)
        data[k] = char((k * 2654435761u) >> 13);
    const QByteArray encoded = TUUProcessor::EncodeBytes(data, emBase64);
    // file to file, as a retrieved part is decoded from "Temp.mme"
    QTemporaryFile encodedFile;
    if (!encodedFile.open() || encodedFile.write(encoded) != encoded.size()) return 1;
    encodedFile.close();
    QFile input(encodedFile.fileName());
    input.open(QIODevice::ReadOnly);
    QTemporaryFile output;
    output.open();
    TUUProcessor decoder;
    decoder.InputStream = &input;
    decoder.OutputStream = &output;
    decoder.Method = emBase64;
    QElapsedTimer timer;
    timer.start();
    decoder.Decode();
    const double seconds = timer.nsecsElapsed() / 1e9;
    output.flush();
    output.seek(0);
    const bool same = output.readAll() == data;
    std::printf("bench_pop3 base64 decode %d MiB (%lld encoded bytes): %.3f s, %.2f GB/s of input%s\n", mib,
                static_cast<long long>(encoded.size()), seconds, encoded.size() / seconds / 1e9,
                same ? "" : " (OUTPUT DIFFERS)");
    return same ? 0 : 1;
}

int DecodeFile(const QString& in, const QString& out) {
    QElapsedTimer timer;
    timer.start();
    QFile input(in), output(out);
    if (!input.open(QIODevice::ReadOnly) || !output.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    TUUProcessor decoder;
    decoder.InputStream = &input;
    decoder.OutputStream = &output;
    decoder.Method = emBase64;
    decoder.Decode();
    output.close();
    std::printf("%.4f\n", timer.nsecsElapsed() / 1e9);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.value(0) == QLatin1String("retrieve") && args.size() == 6) return Retrieve(args.mid(1));
        if (args.value(0) == QLatin1String("decode") && args.size() == 2) return Decode(args[1].toInt());
        if (args.value(0) == QLatin1String("decodefile") && args.size() == 3)
            return DecodeFile(args[1], args[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_pop3: %s\n", e.what());
        return 1;
    }
    std::fprintf(
        stderr,
        "usage: bench_pop3 retrieve HOST PORT USER PASSWORD FOLDER | decode MIB | decodefile IN OUT\n");
    return 2;
}

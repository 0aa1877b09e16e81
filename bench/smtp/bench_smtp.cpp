// Figures for the SMTP client: base64 encoding speed in memory, and the time
// to send one message with an attachment to a server on loopback.
#include "mail/codec/UUProcessor.h"
#include "mail/smtp/SmtpClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

static int EncodeFigures(int mebibytes) {
    QByteArray data(qsizetype(mebibytes) * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char((i * 2654435761u) >> 24);
    for (TEncodeMethod method : {emBase64, emUU}) {
        QElapsedTimer timer;
        timer.start();
        const QByteArray encoded = TUUProcessor::EncodeBytes(data, method);
        const double seconds = timer.nsecsElapsed() / 1e9;
        std::printf("%-7s encode %d MiB: %.3f s, %.0f MB/s of input (%lld bytes out)\n",
                    method == emUU ? "uu" : "base64", mebibytes, seconds, data.size() / seconds / 1e6,
                    static_cast<long long>(encoded.size()));
    }
    return 0;
}

// File to /dev/null, the same work as coreutils' base64 on the same file.
static int EncodeFileFigures(const QString& path) {
    for (TEncodeMethod method : {emBase64, emUU}) {
        QFile input(path);
        QFile output("/dev/null");
        if (!input.open(QIODevice::ReadOnly) || !output.open(QIODevice::WriteOnly)) return 1;
        TUUProcessor processor;
        processor.Method = method;
        processor.InputStream = &input;
        processor.OutputStream = &output;
        QElapsedTimer timer;
        timer.start();
        processor.Encode();
        const double seconds = timer.nsecsElapsed() / 1e9;
        std::printf("TUUProcessor %-6s %.0f MiB (file to /dev/null): %.3f s, %.0f MB/s\n",
                    method == emUU ? "uu" : "base64", input.size() / 1048576.0, seconds,
                    input.size() / seconds / 1e6);
    }
    return 0;
}

static int SendFigures(const QString& host, int port, const QString& attachment, const QString& to) {
    TSmtpClient client;
    client.setHost(host);
    client.setPort(port);
    client.UserID = "bench.test";
    client.PostMessage.FromAddress = "alice@example.test";
    client.PostMessage.ToAddress = {to};
    client.PostMessage.Subject = "bench";
    client.PostMessage.Body = {"benchmark message"};
    client.PostMessage.Attachments = {attachment};
    QElapsedTimer timer;
    qint64 connected = 0, built = 0;
    client.OnSendStart = [&](TSmtpClient*) { built = timer.nsecsElapsed(); };
    timer.start();
    client.Connect();
    connected = timer.nsecsElapsed();
    client.SendMail();
    client.Disconnect();
    std::printf(
        "TSmtpClient send %.1f MiB attachment: %.3f s (connect %.3f, build %.3f, send and QUIT %.3f)\n",
        QFileInfo(attachment).size() / 1048576.0, timer.nsecsElapsed() / 1e9, connected / 1e9,
        (built - connected) / 1e9, (timer.nsecsElapsed() - built) / 1e9);
    return 0;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args.at(1) == "encode") return EncodeFigures(args.at(2).toInt());
    if (args.size() >= 3 && args.at(1) == "encodefile") return EncodeFileFigures(args.at(2));
    if (args.size() >= 6 && args.at(1) == "send")
        return SendFigures(args.at(2), args.at(3).toInt(), args.at(4), args.at(5));
    std::fprintf(stderr, "usage: bench_smtp encode MIB | encodefile PATH | send HOST PORT FILE RECIPIENT\n");
    return 2;
}

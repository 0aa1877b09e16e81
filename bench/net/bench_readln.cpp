// Reads a payload from a loopback server with plain blocking recv calls (the
// raw figure of this machine) and line by line with TSockClient::ReadLnView
// (the bulk paths) and ReadLn (the copying form), and prints the ratios.
#include "net/SockClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Serves payload once to the first client, then closes.
class OneShotServer {
public:
    explicit OneShotServer(const QByteArray& payload) : m_payload(payload) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof at;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&at), sizeof at);
        ::listen(m_listener, 1);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&at), &len);
        m_port = ntohs(at.sin_port);
        m_thread = std::thread([this] {
            const int fd = ::accept(m_listener, nullptr, nullptr);
            qsizetype sent = 0;
            while (sent < m_payload.size()) {
                const ssize_t n =
                    ::send(fd, m_payload.constData() + sent, m_payload.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += n;
            }
            ::close(fd);
        });
    }
    ~OneShotServer() {
        m_thread.join();
        ::close(m_listener);
    }
    uint16_t port() const { return m_port; }

private:
    QByteArray m_payload;
    int m_listener = -1;
    uint16_t m_port = 0;
    std::thread m_thread;
};

double rawSeconds(const QByteArray& payload) {
    OneShotServer server(payload);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(server.port());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QElapsedTimer clock;
    clock.start();
    ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
    static char chunk[65536];
    qsizetype total = 0;
    for (;;) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        total += n;
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    ::close(fd);
    if (total != payload.size())
        std::fprintf(stderr, "raw read %lld of %lld bytes\n", (long long)total, (long long)payload.size());
    return seconds;
}

double readLnSeconds(const QByteArray& payload, qsizetype lines, bool view) {
    OneShotServer server(payload);
    TSockClient client;
    client.setHost(QStringLiteral("127.0.0.1"));
    client.setPort(server.port());
    QElapsedTimer clock;
    clock.start();
    client.Connect();
    if (qEnvironmentVariableIsSet("BENCH_TRACE"))
        std::fprintf(stderr, "connect %.3f ms\n", clock.nsecsElapsed() / 1e6);
    qsizetype bytes = 0;
    if (view)
        for (qsizetype i = 0; i < lines; ++i)
            bytes += client.ReadLnView().size();
    else
        for (qsizetype i = 0; i < lines; ++i)
            bytes += client.ReadLn().size();
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (bytes != payload.size())
        std::fprintf(stderr, "ReadLn read %lld of %lld bytes\n", (long long)bytes, (long long)payload.size());
    return seconds;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void measure(const char* name, const QByteArray& payload, qsizetype lines, double goal) {
    // Alternated runs, so all three see the same machine load; medians.
    std::vector<double> raw, view, copy;
    int over = 0;
    for (int run = 0; run < 11; ++run) {
        raw.push_back(rawSeconds(payload));
        view.push_back(readLnSeconds(payload, lines, true));
        copy.push_back(readLnSeconds(payload, lines, false));
        if (view.back() / raw.back() > goal) ++over;
    }
    const double mib = payload.size() / (1024.0 * 1024.0);
    const double r = median(raw), v = median(view), c = median(copy);
    std::printf("%-20s %6.1f MiB %7lld lines: raw %7.2f ms, ReadLnView %7.2f ms, ReadLn (copy) %7.2f ms "
                "(medians of 11; view over %.0fx in %d runs)\n",
                name, mib, (long long)lines, r * 1e3, v * 1e3, c * 1e3, goal, over);
    std::printf("ROW ReadLn, %s vs raw: %.2fx raw's time (copying ReadLn %.2fx; goal <= %.0fx)\n", name,
                v / r, c / r, goal);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QByteArray shortLines;
    const qsizetype shortCount = 200000;
    for (qsizetype i = 0; i < shortCount; ++i)
        shortLines += "+OK " + QByteArray::number(i) + " 4211\r\n";
    measure("200 000 short lines", shortLines, shortCount, 3);

    QByteArray burst;
    const QByteArray line = QByteArray(76, 'Q') + "\r\n";
    const qsizetype burstCount = (50 * 1024 * 1024) / line.size();
    burst.reserve(burstCount * line.size());
    for (qsizetype i = 0; i < burstCount; ++i)
        burst += line;
    measure("50 MiB burst", burst, burstCount, 2);
    return 0;
}

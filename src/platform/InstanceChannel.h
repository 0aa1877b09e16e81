#pragma once
// How a second start of a program hands its request (open a file, show the
// window) to the copy already running: a local socket next to the program's
// session marker, reachable only by the same user. One line each way: the
// request, then "OK" from the running copy.
#include <QObject>
#include <QString>

class InstanceChannel : public QObject {
    Q_OBJECT
public:
    // `name`: the program's marker name ("Orbalinder").
    explicit InstanceChannel(const QString& name, QObject* parent = nullptr);
    ~InstanceChannel() override;

    // The running copy (it holds the marker, so a socket file left by a copy
    // that ended badly is removed first). False when it cannot listen.
    bool listen();

    // A second start: sends `request` and waits for the running copy's answer;
    // true when it answered within `timeoutMs` (connecting retried meanwhile,
    // in case the running copy is still starting).
    static bool handOver(const QString& name, const QString& request, int timeoutMs = 3000);

    static QString socketPath(const QString& name);

    // Requests are one line of at most this many bytes; longer ones are dropped.
    static constexpr int kMaxRequest = 64 * 1024;

signals:
    void requestReceived(const QString& request);

private:
    QString m_name;
    int m_fd = -1; // the listening socket
};

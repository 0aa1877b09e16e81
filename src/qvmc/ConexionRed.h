#pragma once
// The mail client's connection step on Linux: a profile's dial-up entry is a
// NetworkManager connection, brought up and down with nmcli. Without nmcli
// there is nothing to dial and no connection is listed as open.
#include <QString>
#include <QStringList>

#include <functional>

class ConexionRed {
public:
    // Events told to the session log.
    std::function<void(const QString& entry)> OnDialing;
    std::function<void(const QString& entry)> OnConnect;
    std::function<void(int code, const QString& text)> OnError;

    QString Entry;
    // Names of the connections open now.
    QStringList ListActiveConnections() const;
    // 0 when no connection of the entry's name exists (nothing to dial).
    int ValidateEntry() const;
    // Brings the entry up and waits for it; 0 on success, else an error code
    // (OnError has told why).
    int Dial();
    int HangUp();

    // nmcli's path ("" when it is not installed). Tests may point it elsewhere.
    static QString nmcli();
    static inline QString nmcliOverride;

private:
    int run(const QStringList& args, QString* out, int timeoutMs) const;
};

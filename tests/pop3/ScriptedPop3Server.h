#pragma once
// A loopback POP3 peer for protocol tests: a ScriptedMailServer with a POP3
// server's replies, and RETR/TOP texts served as multi-line replies.
#include "../support/ScriptedMailServer.h"

class ScriptedPop3Server : public ScriptedMailServer {
public:
    ScriptedPop3Server()
        : ScriptedMailServer(Protocol::Pop3, "+OK fake pop3 ready\r\n",
                             {{"USER", "+OK\r\n"},
                              {"PASS", "+OK logged in\r\n"},
                              {"STAT", "+OK 0 0\r\n"},
                              {"QUIT", "+OK bye\r\n"},
                              {"DELE", "+OK deleted\r\n"}},
                             "-ERR unknown\r\n") {}

    // Serves text (lines ending in CR LF) dot-stuffed and ended by the lone dot.
    static QByteArray MultiLine(const QByteArray& text, const QByteArray& first = "+OK\r\n") {
        QByteArray out = first;
        for (const QByteArray& line : text.split('\n')) {
            if (line.isEmpty()) continue;
            if (line.startsWith('.')) out += '.';
            out += line + '\n';
        }
        return out + ".\r\n";
    }
};

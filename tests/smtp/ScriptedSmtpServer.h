#pragma once
// A loopback SMTP peer for protocol tests: a ScriptedMailServer with an SMTP
// server's replies (a refused RCPT gets 550, DATA's 354 takes the message text).
#include "../support/ScriptedMailServer.h"

class ScriptedSmtpServer : public ScriptedMailServer {
public:
    ScriptedSmtpServer()
        : ScriptedMailServer(Protocol::Smtp, "220 fake ready\r\n",
                             {{"HELO", "250 hello\r\n"},
                              {"RSET", "250 reset\r\n"},
                              {"MAIL", "250 sender ok\r\n"},
                              {"RCPT", "250 rcpt ok\r\n"},
                              {"DATA", "354 go ahead\r\n"},
                              {".", "250 queued\r\n"},
                              {"QUIT", "221 bye\r\n"}},
                             "500 unknown\r\n") {}
};

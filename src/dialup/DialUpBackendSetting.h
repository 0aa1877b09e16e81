#pragma once
// Which dial-up backend the programs use: the "DialUpBackend" value of the
// settings key ("simulated" or "nmcli"; missing or unreadable means "simulated").
#include <QString>

QString dialUpBackendName();
void setDialUpBackendName(const QString& name);

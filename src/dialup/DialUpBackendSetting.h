#pragma once
// Which dial-up backend the programs use: the settings row DialUpBackend
// ("simulated" or "nmcli"; missing, unreadable or empty means "simulated").
#include <QString>

QString dialUpBackendName();
void setDialUpBackendName(const QString& name);

#pragma once
// Keeps the passwords a program holds out of crash dumps and away from other
// processes of the same user that would attach to it (a debugger, /proc/PID/mem).
// Called first thing by the programs that read passwords.
void keepSecretsOutOfDumps();

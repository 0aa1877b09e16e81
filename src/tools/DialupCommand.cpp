#include "tools/Commands.h"

int dialupCommand(const QStringList&) {
    printErr("qvtool: the dial-up phonebook is not supported yet");
    return 2;
}

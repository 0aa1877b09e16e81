#include "tools/Commands.h"

int remindersCommand(const QStringList&) {
    printErr("qvtool: reminders files are not supported yet");
    return 2;
}

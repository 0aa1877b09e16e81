#include "platform/ProcessPrivacy.h"

#include <sys/prctl.h>

void keepSecretsOutOfDumps() {
#if defined(__SANITIZE_ADDRESS__)
    // The leak checker attaches to the process at its end, which a process
    // that may not be dumped refuses: builds for it keep the default.
    return;
#else
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

#include "core/StandardOptions.h"

#include <cstdio>
#include <cstring>

const char* ProgramVersion() {
    return ORB_VERSION;
}

bool AnswerStandardOptions(int argc, char** argv, const char* program, const char* usage) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", program, ProgramVersion());
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("%s", usage);
            return true;
        }
    }
    return false;
}

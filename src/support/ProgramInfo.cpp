#include "support/ProgramInfo.h"

#include <cctype>
#include <cstring>

namespace norvak {

const char* toolsetVersion() {
    return NORVAK_VERSION;
}

bool answerInfoRequest(Output& out, int argc, const char* const* argv, const char* programName,
                       const char* valueLetters, const char* helpText) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] == '-' && argument[1] != '\0' && argument[2] == '\0' &&
            std::strchr(valueLetters, std::tolower(static_cast<unsigned char>(argument[1]))) != nullptr) {
            ++i; // the option's value, whatever it reads
            continue;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            out.print("%s", helpText);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            out.print("%s %s\n", programName, toolsetVersion());
            return true;
        }
    }
    return false;
}

} // namespace norvak

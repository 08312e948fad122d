// The toolset's version, the answer to --help and --version, and the --format option.
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

bool takeFormatOption(std::vector<const char*>& arguments, std::string& format) {
    format = "text";
    bool known = true;
    for (std::size_t i = 1; i < arguments.size();) {
        const char* argument = arguments[i];
        std::size_t taken = 0;
        if (std::strcmp(argument, "--format") == 0) {
            format = i + 1 < arguments.size() ? arguments[i + 1] : "";
            taken = i + 1 < arguments.size() ? 2 : 1;
        } else if (std::strncmp(argument, "--format=", 9) == 0) {
            format = argument + 9;
            taken = 1;
        }
        if (taken == 0) {
            ++i;
            continue;
        }
        arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i),
                        arguments.begin() + static_cast<std::ptrdiff_t>(i + taken));
        known = format == "json" || format == "text";
    }
    return known;
}

} // namespace norvak

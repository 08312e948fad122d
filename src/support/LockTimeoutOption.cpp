// The --lock-timeout option that every program changing the repository takes.
#include "support/LockTimeoutOption.h"

#include <string_view>

namespace norvak {

LockTimeoutArgument takeLockTimeoutArgument(int argc, const char* const* argv, int& i, int& seconds,
                                            std::string& text) {
    constexpr std::string_view option = "--lock-timeout";
    std::string_view argument = argv[i];
    if (argument.substr(0, option.size()) != option)
        return LockTimeoutArgument::none;
    std::string_view rest = argument.substr(option.size());
    if (rest.empty() && i + 1 < argc)
        text = argv[++i];
    else if (!rest.empty() && rest[0] == '=')
        text = rest.substr(1);
    else if (!rest.empty())
        return LockTimeoutArgument::none;
    else
        text.clear();
    if (text.empty() || text.size() > 5)
        return LockTimeoutArgument::invalid;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return LockTimeoutArgument::invalid;
        value = value * 10 + (c - '0');
    }
    if (value > longestLockTimeoutSeconds)
        return LockTimeoutArgument::invalid;
    seconds = value;
    return LockTimeoutArgument::taken;
}

} // namespace norvak

// The local date and time as the repository's rows carry it.
#include "support/Clock.h"

#include <ctime>

namespace norvak {

std::string currentDateTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d-%H.%M.%S", &local);
    return text;
}

} // namespace norvak

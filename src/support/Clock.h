#pragma once

#include <string>

namespace norvak {

// The local time now as the repository's rows carry it: "%Y-%m-%d-%H.%M.%S".
std::string currentDateTime();

} // namespace norvak

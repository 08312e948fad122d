#pragma once

#include <string_view>

namespace norvak {

// How a password is shown in every line: "********", or "" when there is none.
inline const char* maskedPassword(std::string_view password) {
    return password.empty() ? "" : "********";
}

} // namespace norvak

#pragma once

#include <string>

namespace norvak {

// The longest a run waits for another run's lock unless told otherwise, and
// the longest it may be told to wait.
inline constexpr int defaultLockTimeoutSeconds = 600;
inline constexpr int longestLockTimeoutSeconds = 86400;

// A lock timeout given on a command line ("--lock-timeout SECONDS" or
// "--lock-timeout=SECONDS"): a whole number from 0 to 86400. Looks at
// argv[i]; `none` when it is no such option, otherwise `i` is moved past
// its value and `invalid` means a missing or bad value (in `text`).
enum class LockTimeoutArgument { none, taken, invalid };
LockTimeoutArgument takeLockTimeoutArgument(int argc, const char* const* argv, int& i, int& seconds,
                                            std::string& text);
inline constexpr const char* lockTimeoutErrorLine =
    "*****Error - --lock-timeout takes a whole number of seconds from 0 to 86400, not %s\n";

} // namespace norvak

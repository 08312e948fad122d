// The diagnostics of a run: printing, tracing, errors with their place in the file and hints.
#include "support/Diagnostics.h"

#include "support/ClosestWord.h"

#include <cstdarg>

namespace norvak {

void Diagnostics::print(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    out.vprint(format, args);
    va_end(args);
}

void Diagnostics::trace(const char* format, ...) {
    if (!traceSw)
        return;
    std::va_list args;
    va_start(args, format);
    out.vprintImportant(format, args); // asked for, quiet or not
    va_end(args);
}

void Diagnostics::printFormatted(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    out.vprint(format, args);
    va_end(args);
}

void Diagnostics::printErrorArgs(const char* format, std::va_list args) {
    out.vprintError(format, args);
    errSw = 1;
    out.setQuiet(false); // from the first error on, the run's whole end is shown
}

void Diagnostics::printFormattedError(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    printErrorArgs(format, args);
    va_end(args);
}

void Diagnostics::error(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    printErrorArgs(format, args);
    va_end(args);
    printPlace();
}

void Diagnostics::hint(std::string_view unknown, std::span<const std::string_view> known) {
    if (std::optional<std::string_view> closest = closestWord(unknown, known))
        out.print("  did you mean %.*s instead of %.*s?\n", static_cast<int>(closest->size()), closest->data(),
                  static_cast<int>(unknown.size()), unknown.data());
}

void Diagnostics::printPlace() {
    if (readingAt == nullptr || !placeOf)
        return;
    std::string place = placeOf(readingAt);
    if (!place.empty())
        out.print("  at %s\n", place.c_str());
}

} // namespace norvak

#pragma once

#include <cstdarg>

#include "support/CheckedFormat.h"
#include "support/Output.h"
#include "support/Progress.h"

#include <functional>
#include <span>
#include <string_view>
#include <string>
#include <type_traits>

namespace norvak {

// The diagnostics of a run: where its report goes, the trace switch and the
// error switch (set by every error report and never reset).
struct Diagnostics {
    explicit Diagnostics(Output& output) : out(output) {}

    // Printing: every line goes through the run's writer.
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Prints only with the trace switch.
    void trace(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Prints, also when the writer is quiet, and sets the error switch; a
    // quiet writer is quiet no more.
    void error(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The same with a format from a table or a helper's caller, checked
    // where it was written.
    template <class... Args> void printChecked(CheckedFormat<std::type_identity_t<Args>...> format, Args... args) {
        printFormatted(format.text(), args...);
    }
    template <class... Args> void errorChecked(CheckedFormat<std::type_identity_t<Args>...> format, Args... args) {
        printFormattedError(format.text(), args...);
        printPlace();
    }

    // After an error about an unknown word: "  did you mean WORD instead of
    // UNKNOWN?" with the known word closest to it, when one is close.
    void hint(std::string_view unknown, std::span<const std::string_view> known);

    Output& out;
    int errSw = 0;
    int traceSw = 0;
    // While definitions are read: the byte where the tag or attribute being
    // read starts, and what turns it into "FILE:LINE:COL" in the file as
    // written; after every error line, "  at FILE:LINE:COL" follows.
    const char* readingAt = nullptr;
    std::function<std::string(const char*)> placeOf;
    // The name of the definitions file, for those places.
    std::string sourceName;

    // Where a long run shows what it is doing; none when not shown.
    Progress* progress = nullptr;
    void showPhase(const char* name) {
        if (progress != nullptr)
            progress->phase(name);
    }
    void showCount(const char* name, long done, long total) {
        if (progress != nullptr)
            progress->count(name, done, total);
    }

  private:
    // "  at FILE:LINE:COL" while definitions are read.
    void printPlace();

    // Formats whose arguments were checked when the format was written.
    void printFormatted(const char* format, ...);
    void printFormattedError(const char* format, ...);
    // Prints an error text, sets the error switch and lifts quiet mode.
    void printErrorArgs(const char* format, std::va_list args);
};

} // namespace norvak

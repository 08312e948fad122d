#pragma once

#include "support/CheckedFormat.h"
#include "support/Output.h"

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
    // Prints and sets the error switch.
    void error(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The same with a format from a table or a helper's caller, checked
    // where it was written.
    template <class... Args> void printChecked(CheckedFormat<std::type_identity_t<Args>...> format, Args... args) {
        printFormatted(format.text(), args...);
    }
    template <class... Args> void errorChecked(CheckedFormat<std::type_identity_t<Args>...> format, Args... args) {
        printFormatted(format.text(), args...);
        errSw = 1;
    }

    Output& out;
    int errSw = 0;
    int traceSw = 0;

  private:
    // Formats whose arguments were checked when the format was written.
    void printFormatted(const char* format, ...);
};

} // namespace norvak

// The writer every report goes through: to a stream or collected, quiet or not.
#include "support/Output.h"

#include "support/Progress.h"

#include <cstring>
#include <exception>
#include <new>
#include <vector>

namespace norvak {

Output::Output(std::FILE* stream, bool flushEachCall) : stream_(stream), flushEachCall_(flushEachCall) {}

Output::Output() = default;

void Output::print(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    vprint(format, args);
    va_end(args);
}

void Output::vprint(const char* format, std::va_list args) {
    this->format(format, args, false);
}

void Output::printImportant(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    vprintImportant(format, args);
    va_end(args);
}

void Output::vprintImportant(const char* format, std::va_list args) {
    this->format(format, args, true);
}

void Output::printError(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    vprintError(format, args);
    va_end(args);
}

void Output::vprintError(const char* format, std::va_list args) {
    std::size_t begin = collected_.size();
    this->format(format, args, true);
    if (stream_ == nullptr)
        errorRanges_.emplace_back(begin, collected_.size());
}

namespace {

// Whether a text reads as an error or a warning line.
bool isMarked(const char* text, std::size_t length) {
    std::size_t at = 0;
    while (at < length && text[at] == '\n')
        ++at;
    return length - at >= 5 && std::strncmp(text + at, "*****", 5) == 0;
}

// Whether a marked text is an error rather than a warning.
bool isError(const char* text) {
    const char* mark = std::strstr(text, "*****");
    return mark != nullptr && std::strncmp(mark, "*****Warning", 12) != 0;
}

} // namespace

// The formats reach here through the entries whose formats the compiler
// checks (print, printError, the checked formats of Diagnostics): they are
// passed on as they came.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void Output::format(const char* format, std::va_list args, bool important) {
    char small[512];
    std::va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0)
        return;
    const std::size_t length = static_cast<std::size_t>(needed);
    std::vector<char> large;
    const char* text = small;
    if (length >= sizeof small) {
        large.resize(length + 1);
        std::vsnprintf(large.data(), large.size(), format, args);
        text = large.data();
    }
    if (!quiet_ || important) {
        write(text, length);
    } else if (isMarked(text, length)) {
        write(text, length);
        // From the first error on, the run's whole end is shown.
        if (isError(text))
            quiet_ = false;
    }
}
#pragma GCC diagnostic pop

void Output::write(const char* data, std::size_t length) {
    if (progress_ != nullptr)
        progress_->erase();
    if (stream_ == nullptr) {
        collected_.append(data, length);
        return;
    }
    if (std::fwrite(data, 1, length, stream_) != length)
        failed_ = true;
    if (flushEachCall_)
        flush();
}

void Output::flush() {
    if (stream_ != nullptr && std::fflush(stream_) != 0)
        failed_ = true;
}

int runToEnd(Output& out, const std::function<int()>& run) {
    try {
        return run();
    } catch (const std::bad_alloc&) {
        out.print("*****Error - out of memory - the run ended early and its changes have been rolled back\n");
    } catch (const std::exception& failure) {
        out.print("*****Error - the run ended early (%s) and its changes have been rolled back\n", failure.what());
    }
    return outOfMemory;
}

int finishReport(Output& out, const char* program, int exitCode) {
    out.flush();
    if (!out.failed())
        return exitCode;
    std::fprintf(stderr, "%s: the report could not be written completely to standard output\n", program);
    return exitCode == 0 ? reportNotWritten : exitCode;
}

} // namespace norvak

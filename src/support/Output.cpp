#include "support/Output.h"

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
    char small[512];
    std::va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0)
        return;
    if (static_cast<std::size_t>(needed) < sizeof small) {
        write(small, static_cast<std::size_t>(needed));
        return;
    }
    std::vector<char> large(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(large.data(), large.size(), format, args);
    write(large.data(), static_cast<std::size_t>(needed));
}

void Output::write(const char* data, std::size_t length) {
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

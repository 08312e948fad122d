// The progress line of a long run on a terminal.
#include "support/Progress.h"

#include <unistd.h>

namespace norvak {

Progress::Progress(std::FILE* stream, const char* program)
    : stream_(stream), program_(program), shown_(stream != nullptr && isatty(fileno(stream)) == 1) {}

void Progress::phase(const char* name) {
    if (!shown_)
        return;
    std::fprintf(stream_, "\r%s: %s\033[K", program_, name);
    std::fflush(stream_);
    onScreen_ = true;
    last_ = std::chrono::steady_clock::now();
}

void Progress::count(const char* name, long done, long total) {
    if (!shown_)
        return;
    auto now = std::chrono::steady_clock::now();
    if (onScreen_ && done < total && now - last_ < std::chrono::milliseconds(100))
        return;
    std::fprintf(stream_, "\r%s: %s %ld of %ld items\033[K", program_, name, done, total);
    std::fflush(stream_);
    onScreen_ = true;
    last_ = now;
}

void Progress::erase() {
    if (!onScreen_)
        return;
    std::fprintf(stream_, "\r\033[K");
    std::fflush(stream_);
    onScreen_ = false;
}

} // namespace norvak

#pragma once

#include <chrono>
#include <cstdio>

namespace norvak {

// What a long run is doing, on a terminal: one line on standard error with
// the program, its phase and a count, rewritten in place at most ten times a
// second and erased when the run ends or another line is written. Nothing is
// shown when the stream is not a terminal (a pipe, a file).
class Progress {
  public:
    Progress(std::FILE* stream, const char* program);
    ~Progress() { erase(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    bool shown() const { return shown_; }
    void phase(const char* name);
    void count(const char* name, long done, long total);
    // Takes the line away (before another text goes to the terminal).
    void erase();

  private:
    std::FILE* stream_;
    const char* program_;
    bool shown_;
    bool onScreen_ = false;
    std::chrono::steady_clock::time_point last_{};
};

} // namespace norvak

#pragma once

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace norvak {

class Progress;

// The one place a program's report goes through: printf-style lines written
// to a stream (standard output for the programs) or collected into a string
// (for tests, which then see exactly what a user would see).
class Output {
  public:
    // Writes to the stream; with flushEachCall every print is flushed at once.
    explicit Output(std::FILE* stream, bool flushEachCall = true);
    // Collects everything into text().
    Output();

    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void vprint(const char* format, std::va_list args);
    // A text written even when the writer is quiet: a run's closing line.
    void printImportant(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The same for a text that is written even when the writer is quiet.
    void vprintImportant(const char* format, std::va_list args);
    // An error: written even when the writer is quiet; a collecting writer
    // keeps where its errors are (so a line without asterisks counts too).
    void printError(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void vprintError(const char* format, std::va_list args);
    // Where in text() the texts printed as errors stand: begin and end.
    const std::vector<std::pair<std::size_t, std::size_t>>& errorRanges() const { return errorRanges_; }

    // A quiet writer writes only what matters: texts that begin (after any
    // line breaks) with "*****", which errors and warnings do, and texts
    // printed as important. Lifting it lets everything through again.
    void setQuiet(bool quiet) { quiet_ = quiet; }

    // A progress line on the same terminal, taken away before each text.
    void setProgress(Progress* progress) { progress_ = progress; }
    bool quiet() const { return quiet_; }
    void write(const char* data, std::size_t length);
    void flush();

    // Whether a write or flush to the stream failed (a full disk, a closed
    // pipe): the report is then incomplete.
    bool failed() const { return failed_; }

    // What a collecting writer has received so far.
    const std::string& text() const { return collected_; }
    void clear() { collected_.clear(); }

  private:
    std::FILE* stream_ = nullptr;
    bool flushEachCall_ = false;
    bool failed_ = false;
    bool quiet_ = false;
    std::vector<std::pair<std::size_t, std::size_t>> errorRanges_;
    Progress* progress_ = nullptr;
    std::string collected_;

    void format(const char* format, std::va_list args, bool important);
};

// The exit code of a program once its report is flushed: when the report
// could not be written completely, a line on standard error says so and a
// run that would have ended with 0 ends with reportNotWritten instead.
inline constexpr int reportNotWritten = 74;
int finishReport(Output& out, const char* program, int exitCode);

// Runs a tool's whole run. A run that runs out of memory (or ends early with
// any other exception) has already rolled back on its way out, through the
// guards of its transaction and session; a line says so and the exit code
// is outOfMemory.
inline constexpr int outOfMemory = 254;
int runToEnd(Output& out, const std::function<int()>& run);

} // namespace norvak

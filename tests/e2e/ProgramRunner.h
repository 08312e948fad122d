#pragma once

#include <string>
#include <utility>
#include <vector>

namespace norvak::test {

struct ProgramResult {
    int exitCode = -1000; // the process exit status (0 to 255), or -1000 when it did not exit normally
    std::string output;   // what it wrote on standard output
    std::string errors;   // what it wrote on standard error (also passed on to the test's own)
    std::vector<std::string> lines() const;
};

// Whether the output holds this whole line; any text; these lines in this
// order (not necessarily next to each other).
bool hasLine(const ProgramResult& result, const std::string& line);
bool contains(const ProgramResult& result, const std::string& text);
bool hasLinesInOrder(const ProgramResult& result, const std::vector<std::string>& expected);

// Runs a built program (by its name in the build's bin folder) with the
// arguments, optionally with `input` on standard input and extra environment
// settings ("NAME=value").
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input = std::string(), const std::vector<std::string>& environment = {});

// A program started in the background, as runProgram starts it; finish()
// waits for its end and returns what it wrote. Dropped unfinished, it is killed.
class RunningProgram {
  public:
    RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& input = std::string(), const std::vector<std::string>& environment = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    // Sends SIGKILL (the result's exit code is then -1000).
    void kill();
    // Reads what the program writes until a line holds `text`; false when
    // it does not come within `seconds` (or the program ends first). What
    // was read is part of the result of finish(). For programs without input.
    bool waitForOutput(const std::string& text, int seconds);
    // Stops the program where it is (SIGSTOP), with whatever it holds, and
    // lets it go on (SIGCONT).
    void pause();
    void resume();
    // Waits for the program's end; with `seconds` (not negative) it is
    // killed when it has not ended by then, and the result says so in
    // `errors`.
    ProgramResult finish(int seconds = -1);

  private:
    std::string input_;
    bool jsonDocument_ = false; // the run writes a JSON document, checked against its schema
    std::string early_; // the output read by waitForOutput
    int pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    int errorFile_ = -1; // the child's standard error, an unlinked file
};

// The whole content of a file (empty when it cannot be read).
std::string readFile(const std::string& path);

// The exit status of a shell command (as pclose gives it) and what it wrote,
// both streams.
std::pair<int, std::string> shellCommand(const std::string& command);

// Path of a program in the build's bin folder, and of a file in the source tree.
std::string programPath(const std::string& program);
std::string sourcePath(const std::string& relative);

// `text` with the first `from` replaced by `to`; a failure of the test when
// `from` is not there. For edited copies of a definitions file.
std::string replaced(std::string text, const std::string& from, const std::string& to);
// The shipped example examples/orders.xml.
std::string orders();

// A scratch folder removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // Writes a file into the folder and returns its path.
    std::string write(const std::string& name, const std::string& content) const;

  private:
    std::string path_;
};

} // namespace norvak::test

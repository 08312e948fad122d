// Running a built program for a test: its output, exit code and JSON document.
#include "e2e/ProgramRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace norvak::test {

std::vector<std::string> ProgramResult::lines() const {
    std::vector<std::string> result;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

bool hasLine(const ProgramResult& result, const std::string& line) {
    auto lines = result.lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool contains(const ProgramResult& result, const std::string& text) {
    return result.output.find(text) != std::string::npos;
}

bool hasLinesInOrder(const ProgramResult& result, const std::vector<std::string>& expected) {
    auto lines = result.lines();
    auto at = lines.begin();
    for (const std::string& line : expected) {
        at = std::find(at, lines.end(), line);
        if (at == lines.end())
            return false;
        ++at;
    }
    return true;
}

std::string programPath(const std::string& program) {
    return std::string(NORVAK_BIN_DIR) + "/" + program;
}

std::string sourcePath(const std::string& relative) {
    return std::string(NORVAK_SOURCE_DIR) + "/" + relative;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

std::string orders() {
    return readFile(sourcePath("examples/orders.xml"));
}

std::pair<int, std::string> shellCommand(const std::string& command) {
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    std::string said;
    char buffer[4096];
    for (std::size_t n; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        said.append(buffer, n);
    const int status = pipe == nullptr ? -1 : pclose(pipe);
    return {status, said};
}

namespace {

// Whether a run writes one JSON document on standard output: --format json,
// and no --help or --version, which answer in text.
bool asksForJsonDocument(const std::vector<std::string>& arguments) {
    bool json = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--help" || arguments[i] == "--version")
            return false;
        if (arguments[i] == "--format=json" || (arguments[i] == "--format" && i + 1 < arguments.size() &&
                                                 arguments[i + 1] == "json"))
            json = true;
    }
    return json;
}

// Every JSON document a test makes a program write is checked against the
// program's published schema (docs/schemas), by python3-jsonschema.
void expectValidJsonDocument(const std::string& document) {
    TempDir folder;
    std::string file = folder.write("document.json", document);
    std::string command = "python3 '" + sourcePath("tests/support/validate-json.py") + "' '" +
                          sourcePath("docs/schemas") + "' '" + file + "'";
    auto [status, said] = shellCommand(command);
    EXPECT_EQ(status, 0) << "the document does not validate against its schema:\n" << said << document;
}

} // namespace

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                               const std::string& input, const std::vector<std::string>& environment)
    : input_(input), jsonDocument_(asksForJsonDocument(arguments)) {
    int toChild[2];
    int fromChild[2];
    // Close-on-exec, so that programs started side by side do not hold each other's pipes open.
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    char errorPattern[] = "/tmp/norvak-test-stderr-XXXXXX";
    errorFile_ = mkostemp(errorPattern, O_CLOEXEC);
    if (errorFile_ < 0)
        throw std::runtime_error("mkostemp failed");
    unlink(errorPattern);
    std::string path = programPath(program);
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(toChild[0], 0);
        dup2(fromChild[1], 1);
        dup2(errorFile_, 2);
        // Programs see no data source unless a test gives them one.
        setenv("ODBCINI", "/nonexistent/norvak-test-odbc.ini", 1);
        // nor the embedded repository of the user who runs the tests: a
        // folder that cannot be made, not even by root, unless a test gives one.
        setenv("XDG_DATA_HOME", "/dev/null/norvak-test-data", 1);
        for (const std::string& setting : environment)
            putenv(const_cast<char*>(setting.c_str()));
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    toChild_ = toChild[1];
    fromChild_ = fromChild[0];
    signal(SIGPIPE, SIG_IGN);
}

RunningProgram::~RunningProgram() {
    if (pid_ > 0) {
        kill();
        finish();
    }
    if (errorFile_ >= 0)
        close(errorFile_);
}

void RunningProgram::kill() {
    if (pid_ > 0)
        ::kill(pid_, SIGKILL);
}

bool RunningProgram::waitForOutput(const std::string& text, int seconds) {
    if (pid_ <= 0)
        return false;
    if (toChild_ >= 0) {
        close(toChild_);
        toChild_ = -1;
    }
    auto giveUpAt = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    char buffer[65536];
    std::size_t searchFrom = 0;
    while (early_.find(text, searchFrom) == std::string::npos) {
        searchFrom = early_.size() > text.size() ? early_.size() - text.size() : 0;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(giveUpAt - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fds[1] = {{fromChild_, POLLIN, 0}};
        int ready = poll(fds, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        ssize_t n = read(fromChild_, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        early_.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

void RunningProgram::pause() {
    if (pid_ > 0)
        ::kill(pid_, SIGSTOP);
}

void RunningProgram::resume() {
    if (pid_ > 0)
        ::kill(pid_, SIGCONT);
}

ProgramResult RunningProgram::finish(int seconds) {
    ProgramResult result;
    if (pid_ <= 0)
        return result;
    result.output = early_;
    std::size_t written = 0;
    bool inputOpen = toChild_ >= 0;
    if (inputOpen && input_.empty()) {
        close(toChild_);
        inputOpen = false;
    }
    auto giveUpAt = std::chrono::steady_clock::now() + std::chrono::seconds(std::max(seconds, 0));
    bool killed = false;
    char buffer[65536];
    for (;;) {
        pollfd fds[2] = {{fromChild_, POLLIN, 0}, {inputOpen ? toChild_ : -1, POLLOUT, 0}};
        int wait = -1;
        if (seconds >= 0 && !killed) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(giveUpAt - std::chrono::steady_clock::now());
            wait = static_cast<int>(std::max<long long>(0, left.count()));
        }
        int ready = poll(fds, 2, wait);
        if (ready == 0) {
            // Not ended in time: killed, and its end read as any other.
            kill();
            killed = true;
            continue;
        }
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (inputOpen && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t n = write(toChild_, input_.data() + written, input_.size() - written);
            if (n > 0)
                written += static_cast<std::size_t>(n);
            if (n < 0 || written == input_.size()) {
                close(toChild_);
                inputOpen = false;
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t n = read(fromChild_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            result.output.append(buffer, static_cast<std::size_t>(n));
        }
    }
    if (inputOpen)
        close(toChild_);
    close(fromChild_);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
    if (lseek(errorFile_, 0, SEEK_SET) == 0) {
        for (ssize_t n; (n = read(errorFile_, buffer, sizeof buffer)) > 0;)
            result.errors.append(buffer, static_cast<std::size_t>(n));
    }
    close(errorFile_);
    errorFile_ = -1;
    if (killed)
        result.errors += "(killed: it had not ended after " + std::to_string(seconds) + " seconds)\n";
    // Kept visible in the test log, as when the programs wrote there directly.
    std::fwrite(result.errors.data(), 1, result.errors.size(), stderr);
    if (jsonDocument_ && result.exitCode != -1000)
        expectValidJsonDocument(result.output);
    return result;
}

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input, const std::vector<std::string>& environment) {
    return RunningProgram(program, arguments, input, environment).finish();
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "norvak-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = buffer.data();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, const std::string& content) const {
    std::string file = path_ + "/" + name;
    std::ofstream stream(file, std::ios::binary);
    stream << content;
    return file;
}

std::string readFile(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

} // namespace norvak::test

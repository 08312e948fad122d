// The round trip of a message set through norvakexport and norvakload, for the tests.
#include "e2e/RoundTrip.h"

#include <algorithm>
#include <sstream>

namespace norvak::test {

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// The language bindings an export names for its message set ("C,COBOL"), or "".
std::string bindingsOf(const std::string& exported) {
    const std::string marker = "(norvakinit -l ";
    std::size_t at = exported.find(marker);
    if (at == std::string::npos)
        return std::string();
    at += marker.size();
    return exported.substr(at, exported.find(')', at) - at);
}

// The file without its ZEPImport line, which names the message set.
std::string withoutOptions(const std::string& exported) {
    std::string kept;
    for (const std::string& line : linesOf(exported))
        if (line.rfind("<ZEPImport", 0) != 0)
            kept += line + "\n";
    return kept;
}

// The first lines in which two sorted row lists differ.
std::string differences(const std::vector<std::string>& expected, const std::vector<std::string>& actual) {
    std::vector<std::string> missing, extra;
    std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(), std::back_inserter(missing));
    std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(), std::back_inserter(extra));
    std::string text;
    for (std::size_t i = 0; i < missing.size() && i < 12; ++i)
        text += "\n  - " + missing[i];
    for (std::size_t i = 0; i < extra.size() && i < 12; ++i)
        text += "\n  + " + extra[i];
    return text;
}

} // namespace

RepositoryAccess accessOf(const TestRepository& repo) {
    return {{"-n", repo.dataSource(), "-u", repo.user(), "-p", repo.password()}, repo.environment()};
}

ProgramResult exportSet(const RepositoryAccess& access, const std::string& messageSet,
                        const std::vector<std::string>& more) {
    std::vector<std::string> arguments = access.connection;
    arguments.insert(arguments.end(), {"-s", messageSet});
    arguments.insert(arguments.end(), more.begin(), more.end());
    return runProgram("norvakexport", arguments, std::string(), access.environment);
}

std::vector<std::string> canonicalRows(const RepositoryAccess& access, const std::string& messageSet) {
    ProgramResult result = exportSet(access, messageSet, {"--canonical"});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    return linesOf(result.output);
}

Backend copyBackend(Backend backend) {
    Backend other = backend == Backend::sqlite ? Backend::postgres : Backend::sqlite;
    return available(other) ? other : backend;
}

::testing::AssertionResult roundTrips(const RepositoryAccess& access, const std::string& messageSet,
                                      Backend backend) {
    ProgramResult exported = exportSet(access, messageSet);
    if (exported.exitCode != 0)
        return ::testing::AssertionFailure() << "export of " << messageSet << " ended with " << exported.exitCode
                                             << ":\n" << exported.errors << exported.output;

    TestRepository copy(backend);
    RepositoryAccess copyAccess = accessOf(copy);
    auto runOnCopy = [&](const std::string& program, std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), copyAccess.connection.begin(), copyAccess.connection.end());
        return runProgram(program, arguments, std::string(), copyAccess.environment);
    };
    std::vector<std::string> setUp{"-s", "RoundTrip"};
    if (std::string bindings = bindingsOf(exported.output); !bindings.empty())
        setUp.insert(setUp.end(), {"-l", bindings});
    ProgramResult init = runOnCopy("norvakinit", setUp);
    if (init.exitCode != 0)
        return ::testing::AssertionFailure() << "norvakinit of the copy failed:\n" << init.output;
    std::string file = copy.folder().write("exported.xml", exported.output);
    ProgramResult load = runOnCopy("norvakload", {"-f", file, "-s", "RoundTrip"});
    if (load.exitCode != 0)
        return ::testing::AssertionFailure() << "the export of " << messageSet << " did not import (exit "
                                             << load.exitCode << "):\n" << load.output << "\nexport:\n"
                                             << exported.output;

    std::vector<std::string> original = canonicalRows(access, messageSet);
    std::vector<std::string> copied = canonicalRows(copyAccess, "RoundTrip");
    if (original != copied)
        return ::testing::AssertionFailure() << "the copy of " << messageSet << " holds other rows:"
                                             << differences(original, copied) << "\nexport:\n" << exported.output;
    ProgramResult again = exportSet(copyAccess, "RoundTrip");
    if (again.exitCode != 0 || withoutOptions(again.output) != withoutOptions(exported.output))
        return ::testing::AssertionFailure() << "the copy of " << messageSet << " exports differently:\n"
                                             << again.output << "\nfirst export:\n" << exported.output;
    return ::testing::AssertionSuccess();
}

} // namespace norvak::test

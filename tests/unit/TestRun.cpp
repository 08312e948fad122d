// A fresh import run for a unit test, with its output collected.
#include "unit/TestRun.h"

#include "import/reader/TagWalker.h"

#include <sstream>
#include <stdexcept>

namespace norvak::test {

TestRun::TestRun() {
    if (!run.allocateTables())
        throw std::runtime_error("cannot allocate the tables of a test run");
}

std::vector<std::string> TestRun::lines() const {
    std::vector<std::string> result;
    std::istringstream stream(out.text());
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

void TestRun::parse(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    parseXMLfile(run.diagnostics(), run.options(), run.model(), run.state(), buffer.data());
}

} // namespace norvak::test

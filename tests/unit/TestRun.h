#pragma once

#include "import/driver/ImportRun.h"
#include "support/Output.h"

#include <string>
#include <vector>

namespace norvak::test {

// A fresh import run whose output is collected, with its tables allocated.
struct TestRun {
    Output out;
    ImportRun run{out};

    TestRun();
    // What the run has printed so far.
    const std::string& output() const { return out.text(); }
    // The printed lines, without their line ends.
    std::vector<std::string> lines() const;
    // Parses a definitions text as the driver does (the text is copied first).
    void parse(const std::string& text);
    // The text of a name index.
    std::string text(int nameIndex) const { return run.text(nameIndex); }
};

} // namespace norvak::test

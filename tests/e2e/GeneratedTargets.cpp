// The fixture of the tests of norvakgen's targets: a set loaded, a target's document and the layouts.
#include "e2e/GeneratedTargets.h"

#include <gtest/gtest.h>

namespace norvak::test {

void GeneratedTargetTest::load(const std::string& file, const std::string& set) {
    createMessageSet(set);
    ProgramResult loaded = runConnected("norvakload", {"-f", file, "-s", set});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
}

std::pair<nlohmann::json, nlohmann::json> GeneratedTargetTest::generated(const std::vector<std::string>& source,
                                                                         const char* target, const char* member,
                                                                         int exitCode) {
    std::vector<std::string> arguments = source;
    arguments.insert(arguments.end(), {"--format", "json", "--target"});
    arguments.emplace_back(target);
    ProgramResult written = runConnected("norvakgen", arguments);
    EXPECT_EQ(written.exitCode, exitCode) << written.output;
    arguments.back() = "layout";
    ProgramResult layouts = runConnected("norvakgen", arguments);
    EXPECT_EQ(layouts.exitCode, 0) << layouts.output;
    return {nlohmann::json::parse(written.output)[member], nlohmann::json::parse(layouts.output)["layouts"]};
}

} // namespace norvak::test

#include "e2e/ProgramRunner.h"

#include <gtest/gtest.h>

namespace norvak::test {
namespace {

TEST(NorvakloadCommandLine, NoArgumentShowsUsageAndEndsWithOne) {
    ProgramResult result = runProgram("norvakload", {});
    EXPECT_EQ(result.exitCode, 1);
    auto lines = result.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[0].find("ZEP bulk data import utility V1.00 (Dec 14 2001)"), std::string::npos);
    EXPECT_EQ(lines[1].rfind("Execution date and time ", 0), 0u);
    EXPECT_NE(result.output.find("\nnorvakload V1.00\n\nCommand usage is:\n\n"), std::string::npos);
}

} // namespace
} // namespace norvak::test

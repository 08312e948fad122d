// Tests of the build's check of the includes of the layers, on source trees made by the test.
#include "e2e/ProgramRunner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

// The check the build runs before compiling (cmake/CheckLayers.cmake): a
// tree with one source including one header passes or stops the build with
// the file and the header named.

namespace norvak::test {
namespace {

struct Checked {
    bool passed = false;
    std::string output;
};

Checked checkTree(const std::string& file, const std::string& includeLine) {
    TempDir dir;
    std::filesystem::path source = std::filesystem::path(dir.path()) / "src" / file;
    std::filesystem::create_directories(source.parent_path());
    std::ofstream(source) << "#pragma once\n" << includeLine << "\n";
    std::string command = std::string("'") + NORVAK_CMAKE_COMMAND + "' -DSOURCE_DIR='" + dir.path() +
                          "/src' -DSTAMP='" + dir.path() + "/stamp' -P '" + sourcePath("cmake/CheckLayers.cmake") +
                          "' >'" + dir.path() + "/out' 2>&1";
    int status = std::system(command.c_str());
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, readFile(dir.path() + "/out")};
}

// One source file with one include, and whether the layer check lets it
// through; a refusal names the file.
struct LayerCase {
    const char* file;
    const char* include;
    bool passes;
};

template <std::size_t N> void expectChecks(const LayerCase (&cases)[N]) {
    for (const LayerCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.include);
        Checked checked = checkTree(c.file, c.include);
        EXPECT_EQ(checked.passed, c.passes) << checked.output;
        if (!c.passes) {
            EXPECT_NE(checked.output.find(c.file), std::string::npos) << checked.output;
        }
    }
}

// The session's raw handles and the calls on them stay inside the session layer.
TEST(LayerCheck, OnlyTheSessionLayerReachesARawHandle) {
    const LayerCase cases[] = {
        {"dbsession/Lock.cpp", "#include \"dbsession/SessionHandles.h\"", true},
        {"dbsession/Lock.cpp", "#include \"dbsession/HandleCalls.h\"", true},
        {"tools/Purge.cpp", "#include \"dbsession/SessionHandles.h\"", false},
        {"import/repository/Reading.cpp", "#include \"dbsession/HandleCalls.h\"", false},
        {"tools/Purge.cpp", "#include \"dbsession/Statement.h\"", true},
    };
    expectChecks(cases);
}

TEST(LayerCheck, TheSetModelIncludesNeitherTheDatabaseSessionNorTheLayersThatUseIt) {
    const LayerCase cases[] = {
        {"setmodel/Rows.h", "#include \"import/model/Codes.h\"", true},
        {"setmodel/Rows.h", "#include \"support/RepositoryCodes.h\"", true},
        {"setmodel/Rows.h", "#include \"dbsession/DbSession.h\"", false},
        {"setmodel/Rows.h", "#include \"import/repository/MessageSetReading.h\"", false},
        {"setmodel/Rows.cpp", "#include <sql.h>", false},
        {"import/repository/Reading.h", "#include \"setmodel/MessageSetModel.h\"", true},
        {"import/driver/Scratch.h", "#include \"setmodel/MessageSetModel.h\"", true},
        {"tools/Export.h", "#include \"setmodel/MessageSetModel.h\"", true},
        {"import/reader/Walker.h", "#include \"setmodel/MessageSetModel.h\"", false},
        {"import/model/Checks.h", "#include \"setmodel/MessageSetModel.h\"", false},
    };
    expectChecks(cases);
}

TEST(LayerCheck, TheRecordLayoutStandsOnTheSetModelAndOnlyTheToolsUseIt) {
    const LayerCase cases[] = {
        {"layout/Fields.h", "#include \"setmodel/MessageSetModel.h\"", true},
        {"layout/Fields.h", "#include \"import/model/AttributeRows.h\"", true},
        {"layout/Fields.h", "#include \"dbsession/DbSession.h\"", false},
        {"layout/Fields.h", "#include \"import/driver/ScratchImport.h\"", false},
        {"layout/Fields.cpp", "#include <sqlext.h>", false},
        {"tools/Gen.h", "#include \"layout/RecordLayout.h\"", true},
        {"setmodel/Rows.h", "#include \"layout/RecordLayout.h\"", false},
        {"import/repository/Reading.h", "#include \"layout/RecordLayout.h\"", false},
    };
    expectChecks(cases);
}

} // namespace
} // namespace norvak::test

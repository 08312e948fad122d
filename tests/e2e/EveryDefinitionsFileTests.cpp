// Tests of norvakgen's targets over every definitions file the tests and examples hold, each checked by a real tool.
#include "e2e/GeneratedModels.h"
#include "e2e/ProgramRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <sys/wait.h>

// Every definitions file of the fuzzing corpus and of the examples, and a
// generated set, is read by norvakgen -f (no database, so these tests run
// once). Those it refuses (exit codes 6 and 7) are counted and skipped;
// those it reads give copybooks that cobc compiles, C headers that gcc and
// clang compile (-std=c11 -Wall -Werror), JSON Schemas valid against the
// 2020-12 meta-schema and XML Schemas that xmllint compiles. Half of the
// files are written with --byte-order little, which only the comments show.

namespace norvak::test {
namespace {

// What norvakgen made of the definitions files for one target.
struct Outputs {
    std::vector<std::string> written; // file names in the folder
    int refused = 0;                  // files it would not read (exit codes 6, 7)
    int nothingToWrite = 0;           // files with no tab of the kind the target needs (exit code 8)
    std::string generated;            // the text written of the generated set
};

std::vector<std::string> definitionsFiles(const TempDir& folder) {
    std::vector<std::string> files;
    for (const char* place : {"tests/fuzz/corpus", "examples"}) {
        std::vector<std::string> here;
        for (const auto& entry : std::filesystem::directory_iterator(sourcePath(place)))
            if (entry.path().extension() == ".xml")
                here.push_back(entry.path().string());
        std::sort(here.begin(), here.end());
        files.insert(files.end(), here.begin(), here.end());
    }
    files.push_back(folder.write("generated.xml", generatedModel(72)));
    return files;
}

// norvakgen -f of every definitions file for `target`, each into a file of
// its own in `folder` ("f7.h"); any exit code but written (0, 9), refused
// (6, 7) and nothing to write (8) fails the test.
Outputs generateAll(const TempDir& folder, const std::string& target, const std::string& extension) {
    Outputs outputs;
    const std::vector<std::string> files = definitionsFiles(folder);
    for (std::size_t f = 0; f < files.size(); ++f) {
        const std::string name = "f" + std::to_string(f) + extension;
        std::vector<std::string> arguments = {"-f", files[f], "--target", target, "-q", "-o", folder.path() + "/" + name};
        if (f % 2 == 1)
            arguments.insert(arguments.end(), {"--byte-order", "little"});
        ProgramResult run = runProgram("norvakgen", arguments);
        if (run.exitCode == 0 || run.exitCode == 9)
            outputs.written.push_back(name);
        else if (run.exitCode == 6 || run.exitCode == 7)
            ++outputs.refused;
        else if (run.exitCode == 8)
            ++outputs.nothingToWrite;
        else
            ADD_FAILURE() << files[f] << ": exit code " << run.exitCode << "\n" << run.errors;
    }
    outputs.generated = readFile(folder.path() + "/f" + std::to_string(files.size() - 1) + extension);
    // The corpus holds files the import refuses and files it takes.
    EXPECT_GE(outputs.refused, 10) << target;
    EXPECT_GE(outputs.written.size(), 15U) << target;
    std::cout << target << ": " << outputs.written.size() << " files written, " << outputs.refused << " refused, "
              << outputs.nothingToWrite << " with nothing to write\n";
    return outputs;
}

int shell(const std::string& folder, const std::string& command) {
    return std::system(("cd '" + folder + "' && " + command + " > tool.log 2>&1").c_str());
}

bool installed(const char* tool) {
    return std::system((std::string(tool) + " --version > /dev/null 2>&1").c_str()) == 0;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += " '" + name + "'";
    return text;
}

TEST(EveryDefinitionsFile, ItsCopybooksCompileWithCobc) {
    if (!installed("cobc"))
        GTEST_SKIP() << "cobc (GnuCOBOL) is not installed: the copybooks are not compiled";
    TempDir folder;
    const Outputs books = generateAll(folder, "copybook", ".cpy");
    // The generated set's binary integers of 2, 4 and 8 bytes.
    for (const char* clause : {"PIC S9(4) COMP.", "PIC S9(9) COMP.", "PIC S9(18) COMP."})
        EXPECT_NE(books.generated.find(clause), std::string::npos) << clause << "\n" << books.generated;
    int complex = 0;
    for (const std::string& book : books.written) {
        SCOPED_TRACE(book);
        const std::string program = book.substr(0, book.size() - 4) + ".cob";
        folder.write(program, "       IDENTIFICATION DIVISION.\n       PROGRAM-ID. P.\n       DATA DIVISION.\n"
                              "       WORKING-STORAGE SECTION.\n       COPY \"" + book + "\".\n"
                              "       PROCEDURE DIVISION.\n           STOP RUN.\n");
        if (shell(folder.path(), "cobc -fsyntax-only " + program) == 0)
            continue;
        // Fields after an OCCURS DEPENDING ON lie where its occurrences end,
        // as on the wire: cobc takes that with complex OCCURS DEPENDING ON.
        const std::string said = readFile(folder.path() + "/tool.log");
        EXPECT_NE(said.find("cannot have OCCURS DEPENDING because of"), std::string::npos)
            << said << readFile(folder.path() + "/" + book);
        EXPECT_EQ(shell(folder.path(), "cobc -fsyntax-only -fcomplex-odo " + program), 0)
            << readFile(folder.path() + "/tool.log") << readFile(folder.path() + "/" + book);
        ++complex;
    }
    std::cout << complex << " copybooks need complex OCCURS DEPENDING ON\n";
}

TEST(EveryDefinitionsFile, ItsCHeadersCompileWithGccAndClang) {
    if (!installed("gcc") || !installed("clang"))
        GTEST_SKIP() << "gcc or clang is not installed: the C headers are not compiled";
    TempDir folder;
    const Outputs headers = generateAll(folder, "c", ".h");
    for (const char* member : {"Integer: int16_t", "Boolean: int32_t", "Time Milliseconds: int64_t"})
        EXPECT_NE(headers.generated.find(member), std::string::npos) << member << "\n" << headers.generated;
    for (const char* compiler : {"gcc", "clang"})
        EXPECT_EQ(shell(folder.path(),
                        std::string(compiler) + " -std=c11 -Wall -Werror -fsyntax-only -x c" + joined(headers.written)),
                  0)
            << compiler << "\n"
            << readFile(folder.path() + "/tool.log");
}

TEST(EveryDefinitionsFile, ItsJsonSchemasAreValidSchemas) {
    if (std::system("python3 -c 'import jsonschema' > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3-jsonschema is not installed: the JSON Schemas are not checked";
    TempDir folder;
    const Outputs schemas = generateAll(folder, "json-schema", ".schema.json");
    EXPECT_EQ(schemas.nothingToWrite, 0) << "a JSON Schema needs no tab";
    folder.write("check.py", "import json, sys, jsonschema\n"
                             "for name in sys.argv[1:]:\n"
                             "    with open(name) as schema:\n"
                             "        jsonschema.Draft202012Validator.check_schema(json.load(schema))\n");
    EXPECT_EQ(shell(folder.path(), "python3 check.py" + joined(schemas.written)), 0)
        << readFile(folder.path() + "/tool.log");
}

TEST(EveryDefinitionsFile, ItsXmlSchemasCompileWithXmllint) {
    if (!installed("xmllint"))
        GTEST_SKIP() << "xmllint is not installed: the XML Schemas are not compiled";
    TempDir folder;
    const Outputs schemas = generateAll(folder, "xsd", ".xsd");
    folder.write("none.xml", "<none-of-the-messages/>\n");
    for (const std::string& schema : schemas.written) {
        // 3: the schema compiled, and the document is none of its messages.
        const int status = shell(folder.path(), "xmllint --noout --schema '" + schema + "' none.xml");
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3)
            << schema << "\n"
            << readFile(folder.path() + "/tool.log") << readFile(folder.path() + "/" + schema);
    }
}

} // namespace
} // namespace norvak::test

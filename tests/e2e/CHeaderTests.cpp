// Tests of norvakgen --target c: every header compiled by gcc and clang, each member's offset and size against the
// layout.
#include "e2e/GeneratedModels.h"
#include "e2e/GeneratedTargets.h"
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

// The headers of the shipped examples, of a generated set and of a set with
// every physical type, sign, decimal point, repeat, choice and alignment
// are compiled with gcc and clang (-std=c11 -Wall -Werror), whose
// _Static_asserts check every offset and size the layout knows; a program
// that prints each member's offsetof and sizeof, compiled by gcc, is
// compared with the layout besides. Without the compilers these tests are
// skipped, saying so.

namespace norvak::test {
namespace {

// Every kind of field C holds exactly, then the ones it does not: the binary
// integers and floats at offsets their sizes divide are exact-width members,
// the same types elsewhere arrays of their bytes.
const char* const everyCKind =
    "<ZEPImport messageSet=\"Cee\"/>\n"
    "<CWFTab name=\"Wire\" ident=\"CWF1\" ccsid=\"500\"/>\n"
    "<Element ident=\"Wide\" type=\"datetime\" physicalType=\"Time Milliseconds\"/>\n"
    "<Element ident=\"Count\" type=\"integer\" length=\"2\"/>\n"
    "<Element ident=\"Tiny\" type=\"integer\" length=\"1\"/>\n"
    "<Element ident=\"Level\" type=\"integer\" length=\"4\"/>\n"
    "<Element ident=\"Code\" type=\"string\" length=\"3\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"Blob\" type=\"binary\" length=\"5\"/>\n"
    "<Element ident=\"Ratio\" type=\"float\" length=\"8\" byteAlignment=\"8\"/>\n"
    "<Element ident=\"Single\" type=\"float\" length=\"4\"/>\n"
    "<Element ident=\"Price\" type=\"decimal\" length=\"7\" decimalPoint=\"2\" signed=\"Separate Trailing\"/>\n"
    "<Element ident=\"Lead\" type=\"decimal\" length=\"5\" decimalPoint=\"1\" signed=\"Separate Leading\"/>\n"
    "<Element ident=\"Over\" type=\"decimal\" length=\"6\" signed=\"Included Leading\"/>\n"
    "<Element ident=\"Under\" type=\"decimal\" length=\"6\" decimalPoint=\"6\" signed=\"Included Trailing\"/>\n"
    "<Element ident=\"Plain\" type=\"decimal\" length=\"4\" signed=\"None\"/>\n"
    "<Element ident=\"Packed\" type=\"decimal\" length=\"4\" decimalPoint=\"3\" physicalType=\"Packed Decimal\"/>\n"
    "<Element ident=\"Flag\" type=\"boolean\"/>\n"
    "<Element ident=\"At\" type=\"datetime\"/>\n"
    "<Element ident=\"Exactly\" type=\"datetime\" physicalType=\"Time Milliseconds\"/>\n"
    "<Element ident=\"Item\" type=\"string\" length=\"6\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"int\" type=\"string\" length=\"2\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"Pairs\" type=\"Pair\"/>\n"
    "<Element ident=\"Note\" type=\"string\" physicalType=\"Null Terminated\"/>\n"
    "<Type ident=\"Pair\" composition=\"sequence\">\n"
    "  <Element ref=\"Code\"/>\n"
    "  <Element ref=\"Level\" byteAlignment=\"4\"/>\n"
    "</Type>\n"
    "<Type ident=\"Either\" composition=\"choice\">\n"
    "  <Element ref=\"Single\"/>\n"
    "  <Type ref=\"Pair\"/>\n"
    "  <Element ref=\"Blob\"/>\n"
    "</Type>\n"
    "<Type ident=\"Rec\" composition=\"sequence\">\n"
    "  <Element ref=\"Wide\"/>\n"
    "  <Element ref=\"Level\"/>\n"
    "  <Element ref=\"Count\"/>\n"
    "  <Element ref=\"Tiny\"/>\n"
    "  <Element ref=\"Tiny\"/>\n"
    "  <Element ref=\"Level\"/>\n"
    "  <Element ref=\"Code\"/>\n"
    "  <Element ref=\"Blob\"/>\n"
    "  <Element ref=\"Ratio\"/>\n"
    "  <Element ref=\"Price\"/>\n"
    "  <Element ref=\"Lead\"/>\n"
    "  <Element ref=\"Over\"/>\n"
    "  <Element ref=\"Under\"/>\n"
    "  <Element ref=\"Plain\"/>\n"
    "  <Element ref=\"Packed\"/>\n"
    "  <Element ref=\"Flag\"/>\n"
    "  <Element ref=\"At\"/>\n"
    "  <Element ref=\"Exactly\"/>\n"
    "  <Element ref=\"int\"/>\n"
    "  <Type ref=\"Either\"/>\n"
    "  <Element ref=\"Pairs\" repeat=\"2\"/>\n"
    "  <Element ref=\"Single\" repeat=\"3\"/>\n"
    "  <Element ref=\"Item\" repeat=\"Count\"/>\n"
    "  <Element ref=\"Note\"/>\n"
    "  <Element ref=\"Wide\"/>\n"
    "  <Element ref=\"Tiny\"/>\n"
    "</Type>\n"
    "<Message ident=\"every-c-kind\" type=\"Rec\"/>\n"
    "<Message ident=\"either\" type=\"Either\"/>\n";

bool compilersInstalled() {
    return std::system("gcc --version > /dev/null 2>&1") == 0 && std::system("clang --version > /dev/null 2>&1") == 0;
}

// The offsets and sizes in bytes (all occurrences) the layout gives for the
// fields at a known offset, by path.
void knownPlaces(const nlohmann::json& fields, std::map<std::string, std::pair<long, long>>& places) {
    for (const nlohmann::json& field : fields) {
        if (field["relativeTo"].is_null() && field["length"].is_number() && field["variable"].is_null())
            places[field["path"]] = {field["offset"].get<long>(),
                                     field["length"].get<long>() * std::max(1L, field["repeat"].get<long>())};
        knownPlaces(field["members"], places);
    }
}

std::string literal(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' || c == '\\' || c == '?' ? std::string("\\") + c : std::string(1, c);
    return quoted + "\"";
}

// A program that includes the header and prints "path offset size" for each
// field of `places` the header writes.
std::string probeProgram(const std::string& header, const nlohmann::json& written,
                         const std::map<std::string, std::pair<long, long>>& places) {
    const std::string type = "struct " + written["struct"].get<std::string>();
    std::ostringstream program;
    program << "#include <stdio.h>\n#include \"" << header << "\"\nint main(void) {\n";
    for (const nlohmann::json& field : written["fields"]) {
        const std::string path = field["path"];
        const std::string member = field["member"];
        if (places.count(path) == 0)
            continue;
        program << "    printf(\"%s %zu %zu\\n\", " << literal(path) << ", offsetof(" << type << ", " << member
                << "), sizeof(((" << type << " *)0)->" << member << "));\n";
    }
    program << "    return 0;\n}\n";
    return program.str();
}

// Compiles each header of a norvakgen JSON document with gcc and clang, runs
// the probe of each and compares its lines with the layouts; the number of
// fields compared.
int checkWithCompilers(const nlohmann::json& headers, const nlohmann::json& layouts, const TempDir& folder) {
    int checked = 0;
    for (std::size_t m = 0; m < headers.size(); ++m) {
        const nlohmann::json& header = headers[m];
        SCOPED_TRACE(header["message"].get<std::string>());
        const std::string name = "m" + std::to_string(m);
        folder.write(name + ".h", header["text"]);
        for (const char* compiler : {"gcc", "clang"}) {
            const std::string compile = "cd '" + folder.path() + "' && " + compiler +
                                        " -std=c11 -Wall -Werror -fsyntax-only -x c " + name + ".h > " + name +
                                        ".log 2>&1";
            EXPECT_EQ(std::system(compile.c_str()), 0)
                << compiler << "\n"
                << readFile(folder.path() + "/" + name + ".log") << header["text"].get<std::string>();
        }
        std::map<std::string, std::pair<long, long>> places;
        knownPlaces(layouts[m]["fields"], places);
        folder.write(name + ".c", probeProgram(name + ".h", header, places));
        const std::string build = "cd '" + folder.path() + "' && gcc -std=c11 -Wall -Werror -o " + name + " " + name +
                                  ".c > " + name + ".log 2>&1 && ./" + name + " > " + name + ".out";
        EXPECT_EQ(std::system(build.c_str()), 0) << readFile(folder.path() + "/" + name + ".log");
        std::istringstream lines(readFile(folder.path() + "/" + name + ".out"));
        std::string path;
        long offset = 0;
        long size = 0;
        while (lines >> path >> offset >> size) {
            ++checked;
            EXPECT_EQ(offset, places[path].first) << path;
            EXPECT_EQ(size, places[path].second) << path;
        }
    }
    return checked;
}

class CHeaders : public GeneratedTargetTest {
  protected:
    void SetUp() override {
        RepositoryTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        if (!compilersInstalled())
            GTEST_SKIP() << "gcc or clang is not installed: the C headers are not compiled (scripts/setup.sh "
                            "installs clang)";
    }
    std::pair<nlohmann::json, nlohmann::json> generated(const std::vector<std::string>& source, int exitCode) {
        return GeneratedTargetTest::generated(source, "c", "headers", exitCode);
    }
};

TEST_P(CHeaders, EveryKindCompilesAndEachMemberLiesWhereTheLayoutSays) {
    TempDir folder;
    const std::string file = folder.write("cee.xml", everyCKind);
    load(file, "Cee");
    auto [headers, layouts] = generated({"-s", "Cee"}, 9);
    ASSERT_EQ(headers.size(), 2U);
    EXPECT_EQ(headers[0]["approximations"], nlohmann::json::array());
    EXPECT_EQ(headers[1]["approximations"],
              nlohmann::json::array({"Item: repeated by Count with no most occurrences in the set; written as 1",
                                     "Note: a null-terminated string, written as its least bytes"}));
    // Every field of the choice, and every field of the record before Item.
    EXPECT_EQ(checkWithCompilers(headers, layouts, folder), 6 + 32);
    const std::string either = headers[0]["text"];
    EXPECT_NE(either.find("struct either {\n    union {\n        float Single;"), std::string::npos) << either;
    EXPECT_NE(either.find("            int32_t Level;"), std::string::npos) << either;
    // The record takes 144 bytes as written: an exact-width member wherever
    // its size divides its offset, an array of its bytes elsewhere.
    const std::string text = headers[1]["text"];
    for (const char* member :
         {"    int64_t Wide; /* offset 0, Time Milliseconds: int64_t, big-endian */",
          "    int32_t Level;",
          "    int16_t Count;",
          "    int8_t Tiny;",
          "    int8_t Tiny_2;",
          "    int32_t Level_2;",
          "    char Code[3];",
          "    unsigned char Blob[5];",
          "    unsigned char pad1[4]; /* offset 28: alignment to 8 */",
          "    double Ratio;",
          "    char Price[8]; /* offset 40, Extended Decimal: zoned, 8 bytes, sign Separate Trailing, 2 digits after "
          "the virtual decimal point */",
          "    unsigned char Packed[4]; /* offset 70, Packed Decimal: 7 digits, 3 after the virtual decimal point and "
          "a "
          "sign nibble */",
          "    unsigned char Flag[4]; /* offset 74, Boolean: int32_t, big-endian */",
          "    unsigned char Exactly[8];",
          "    char int_[2];",
          "    union {\n        float Single;",
          "    } Either; /* offset 92, choice Either */",
          "    struct {\n        char Code[3];",
          "        int32_t Level;",
          "    } Pairs[2];",
          "    float Single[3];",
          "    char Item[1][6];",
          "    char Note[1];",
          "    unsigned char Wide_2[8]; /* offset Note+0,",
          "_Static_assert(offsetof(struct every_c_kind, Pairs[0].Level) == 104, \"Pairs.Level at offset 104\");",
          "_Static_assert(sizeof(((struct every_c_kind *)0)->Pairs) == 16, \"Pairs of 16 bytes\");",
          "_Static_assert(sizeof(((struct every_c_kind *)0)->Tiny) == 1, \"Tiny of 1 byte\");",
          "#ifndef NORVAK_EVERY_C_KIND_H\n#define NORVAK_EVERY_C_KIND_H\n",
          "#include <stdint.h>"})
        EXPECT_NE(text.find(member), std::string::npos) << member << "\n" << text;
    // A size the layout does not know is not asserted.
    EXPECT_EQ(text.find("_Static_assert(sizeof(struct every_c_kind)"), std::string::npos);

    // The definitions file gives the same header.
    ProgramResult fromFile = runProgram("norvakgen", {"-f", file, "--target", "c", "-m", "every-c-kind"});
    ASSERT_EQ(fromFile.exitCode, 9) << fromFile.errors;
    EXPECT_EQ(fromFile.output, text);
}

TEST_P(CHeaders, TheShippedExamplesAndAGeneratedSetCompileAndWhatCCannotHoldIsCounted) {
    TempDir folder;
    // Every field of the sensors' records follows one of variable size: their
    // headers compile, with no offset known to compare.
    const std::string generatedFile = folder.write("generated.xml", generatedModel(72));
    const std::pair<std::string, int> examples[] = {{sourcePath("examples/orders.xml"), 20},
                                                    {sourcePath("examples/payments.xml"), 25},
                                                    {sourcePath("examples/sensors.xml"), 0},
                                                    {generatedFile, 2}};
    int number = 0;
    for (const auto& [file, least] : examples) {
        SCOPED_TRACE(file);
        const std::string set = "Ch_" + std::to_string(++number);
        load(file, set);
        auto [headers, layouts] = generated({"-s", set}, 9);
        EXPECT_GE(checkWithCompilers(headers, layouts, folder), least);
        // The same bytes from the definitions file.
        ProgramResult stored = runConnected("norvakgen", {"-s", set, "--target", "c"});
        ProgramResult read = runProgram("norvakgen", {"-f", file, "--target", "c"});
        EXPECT_EQ(stored.output, read.output);
    }
    // A null-terminated string is written as its least bytes, said on
    // standard error and in the exit code.
    ProgramResult orders = runConnected("norvakgen", {"-s", "Ch_1", "--target", "c", "-m", "PlaceOrder"});
    EXPECT_EQ(orders.exitCode, 9);
    EXPECT_NE(orders.errors.find("*****Warning - message PlaceOrder, field Note: a null-terminated string, written as "
                                 "its least bytes"),
              std::string::npos)
        << orders.errors;
    EXPECT_NE(orders.errors.find("*****Warning - 1 field written as the nearest C equivalent (exit code 9)"),
              std::string::npos);
    EXPECT_NE(orders.output.find("/* Not exact: Note is a null-terminated string"), std::string::npos) << orders.output;
    const std::string out = folder.path() + "/invoice.h";
    ProgramResult invoice = runConnected("norvakgen", {"-s", "Ch_1", "--target", "c", "-m", "SendInvoice", "-o", out});
    EXPECT_EQ(invoice.exitCode, 0) << invoice.errors;
    EXPECT_EQ(invoice.output, "");
    EXPECT_NE(invoice.errors.find("Generated the C header of 1 message of message set Ch_1"), std::string::npos);
    EXPECT_NE(readFile(out).find("_Static_assert(sizeof(struct SendInvoice) == 157, \"SendInvoice of 157 bytes\");"),
              std::string::npos);
    ProgramResult nowhere =
        runConnected("norvakgen", {"-s", "Ch_1", "--target", "c", "-o", folder.path() + "/no/such/folder/x"});
    EXPECT_EQ(nowhere.exitCode, 5);
    EXPECT_NE(nowhere.errors.find("*****Error - the C headers could not be written to"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(, CHeaders, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test

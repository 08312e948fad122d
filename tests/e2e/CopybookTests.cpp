// Tests of norvakgen --target copybook: every copybook compiled by cobc, its offsets and lengths against the layout.
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

// The copybooks of the shipped examples and of a set with every physical
// type, sign, decimal point, repeat, choice and alignment are compiled with
// cobc into a program that displays each field's offset (the difference of
// its address and the record's) and length: they must equal the layout's.
// Without cobc these tests are skipped, saying so.

namespace norvak::test {
namespace {

// Every kind of field COBOL holds exactly, under a single-byte code page:
// the counter of the repeat reference comes first and its array last, as
// OCCURS DEPENDING ON asks.
const char* const everyCobolKind =
    "<ZEPImport messageSet=\"Cobol\"/>\n"
    "<CWFTab name=\"Wire\" ident=\"CWF1\" ccsid=\"500\"/>\n"
    "<Element ident=\"Count\" type=\"integer\" length=\"2\"/>\n"
    "<Element ident=\"Code\" type=\"string\" length=\"3\" physicalType=\"fixed\">\n"
    "  <Value ident=\"CodeA\" type=\"string\" value=\"ABC\" role=\"ENUM\"/>\n"
    "  <Value ident=\"CodeQ\" type=\"string\" value=\"Q&quot;Z\" role=\"ENUM\"/>\n"
    "</Element>\n"
    "<Element ident=\"Level\" type=\"integer\" length=\"4\">\n"
    "  <Value ident=\"Low\" type=\"integer\" value=\"1\" role=\"ENUM\"/>\n"
    "  <Value ident=\"High\" type=\"integer\" value=\"-2\" role=\"ENUM\"/>\n"
    "</Element>\n"
    "<Element ident=\"Unsigned\" type=\"integer\" length=\"4\" signed=\"None\"/>\n"
    "<Element ident=\"Huge\" type=\"integer\" length=\"4\"/>\n"
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
    "<Element ident=\"Pairs\" type=\"Pair\"/>\n"
    "<Type ident=\"Pair\" composition=\"sequence\">\n"
    "  <Element ref=\"Code\"/>\n"
    "  <Element ref=\"Huge\" byteAlignment=\"4\"/>\n"
    "</Type>\n"
    "<Type ident=\"Either\" composition=\"choice\">\n"
    "  <Element ref=\"Single\"/>\n"
    "  <Type ref=\"Pair\"/>\n"
    "  <Element ref=\"Blob\"/>\n"
    "</Type>\n"
    "<Type ident=\"Rec\" composition=\"sequence\">\n"
    "  <Element ref=\"Count\"/>\n"
    "  <Element ref=\"Code\"/>\n"
    "  <Element ref=\"Level\"/>\n"
    "  <Element ref=\"Unsigned\"/>\n"
    "  <Element ref=\"Huge\"/>\n"
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
    "  <Type ref=\"Either\"/>\n"
    "  <Element ref=\"Pairs\" repeat=\"2\"/>\n"
    "  <Element ref=\"Single\" repeat=\"3\"/>\n"
    "  <Element ref=\"Item\" repeat=\"Count\"/>\n"
    "</Type>\n"
    "<Message ident=\"every-cobol-kind\" type=\"Rec\"/>\n";

bool cobcInstalled() {
    return std::system("cobc --version > /dev/null 2>&1") == 0;
}

// "NAME (1 1)": one occurrence of a field under `subscripts` OCCURS.
std::string reference(const std::string& name, int subscripts) {
    if (subscripts == 0)
        return name;
    std::string ones;
    for (int s = 0; s < subscripts; ++s)
        ones += s == 0 ? "1" : " 1";
    return name + " (" + ones + ")";
}

// The offsets and lengths in bytes the layout gives for the fields at a
// known offset, by path.
void knownPlaces(const nlohmann::json& fields, std::map<std::string, std::pair<long, long>>& places) {
    for (const nlohmann::json& field : fields) {
        if (field["relativeTo"].is_null() && field["length"].is_number() && field["kind"] != "padding")
            places[field["path"]] = {field["offset"].get<long>(), field["length"].get<long>()};
        knownPlaces(field["members"], places);
    }
}

// A program that copies the copybook and displays "path offset length" for
// each field of `places`, in fixed format.
std::string probeProgram(const std::string& copybook, const nlohmann::json& book,
                         const std::map<std::string, std::pair<long, long>>& places) {
    std::ostringstream program;
    program << "       IDENTIFICATION DIVISION.\n       PROGRAM-ID. T.\n       DATA DIVISION.\n"
               "       WORKING-STORAGE SECTION.\n"
               "       01 P-RECORD USAGE POINTER.\n"
               "       01 N-RECORD REDEFINES P-RECORD PIC S9(18) COMP-5.\n"
               "       01 P-FIELD USAGE POINTER.\n"
               "       01 N-FIELD REDEFINES P-FIELD PIC S9(18) COMP-5.\n"
               "       01 N-OFFSET PIC 9(9).\n"
               "       01 N-LENGTH PIC 9(9).\n"
               "       COPY \""
            << copybook << "\".\n       PROCEDURE DIVISION.\n"
            << "           SET P-RECORD TO ADDRESS OF " << book["record"].get<std::string>() << "\n";
    for (const nlohmann::json& field : book["fields"]) {
        const std::string path = field["path"];
        if (places.count(path) == 0)
            continue;
        const std::string item = reference(field["name"], field["subscripts"]);
        program << "           SET P-FIELD TO ADDRESS OF\n               " << item << "\n"
                << "           COMPUTE N-OFFSET = N-FIELD - N-RECORD\n"
                << "           MOVE LENGTH OF\n               " << item << "\n               TO N-LENGTH\n"
                << "           DISPLAY\n               \"" << path << " \"\n               N-OFFSET \" \" N-LENGTH\n";
    }
    program << "           STOP RUN.\n";
    return program.str();
}

// Compiles and runs the probe of each copybook of a norvakgen JSON document
// and compares its lines with the layouts; the number of fields checked.
int checkWithCobc(const nlohmann::json& copybooks, const nlohmann::json& layouts, const TempDir& folder) {
    int checked = 0;
    for (std::size_t m = 0; m < copybooks.size(); ++m) {
        const nlohmann::json& book = copybooks[m];
        SCOPED_TRACE(book["message"].get<std::string>());
        std::map<std::string, std::pair<long, long>> places;
        knownPlaces(layouts[m]["fields"], places);
        const std::string name = "m" + std::to_string(m);
        folder.write(name + ".cpy", book["text"]);
        const std::string source = folder.write(name + ".cob", probeProgram(name + ".cpy", book, places));
        const std::string compile =
            "cd '" + folder.path() + "' && cobc -x -o " + name + " " + name + ".cob > " + name + ".log 2>&1";
        EXPECT_EQ(std::system(compile.c_str()), 0)
            << readFile(folder.path() + "/" + name + ".log") << book["text"].get<std::string>() << readFile(source);
        const std::string runIt = "cd '" + folder.path() + "' && ./" + name + " > " + name + ".out 2>&1";
        EXPECT_EQ(std::system(runIt.c_str()), 0);
        std::istringstream lines(readFile(folder.path() + "/" + name + ".out"));
        std::string path;
        long offset = 0;
        long length = 0;
        int seen = 0;
        while (lines >> path >> offset >> length) {
            ++seen;
            EXPECT_EQ(places.count(path), 1U) << path;
            EXPECT_EQ(offset, places[path].first) << path;
            EXPECT_EQ(length, places[path].second) << path;
        }
        checked += seen;
    }
    return checked;
}

class Copybooks : public GeneratedTargetTest {
  protected:
    void SetUp() override {
        RepositoryTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        if (!cobcInstalled())
            GTEST_SKIP() << "cobc (GnuCOBOL) is not installed: the copybooks are not compiled (scripts/setup.sh "
                            "installs gnucobol3)";
    }
    std::pair<nlohmann::json, nlohmann::json> generated(const std::vector<std::string>& source, int exitCode) {
        return GeneratedTargetTest::generated(source, "copybook", "copybooks", exitCode);
    }
};

TEST_P(Copybooks, EveryKindCompilesAndEachFieldLiesWhereTheLayoutSays) {
    TempDir folder;
    const std::string file = folder.write("cobol.xml", everyCobolKind);
    load(file, "Cobol");
    // The set gives no most occurrences of the array its counter sizes: the
    // one field COBOL holds only as its nearest equivalent.
    auto [books, layouts] = generated({"-s", "Cobol"}, 9);
    ASSERT_EQ(books.size(), 1U);
    EXPECT_EQ(books[0]["approximations"],
              nlohmann::json::array({"Item: repeated with no most occurrences in the set; written as at most 1"}));
    EXPECT_EQ(checkWithCobc(books, layouts, folder), 27); // every field at a known place
    const std::string text = books[0]["text"];
    for (const char* clause :
         {"PIC S9(4) COMP", "PIC S9(9) COMP", "PIC S9(18) COMP", "COMP-1", "COMP-2",
          "PIC S9(5)V9(2) SIGN TRAILING SEPARATE", "PIC S9(4)V9(1) SIGN LEADING SEPARATE", "PIC S9(6) SIGN LEADING",
          "PIC SV9(6) SIGN TRAILING", "PIC 9(4).", "PIC S9(4)V9(3) COMP-3", "PIC X(5)", "OCCURS 2", "OCCURS 3",
          "VALUE \"Q\"\"Z\"", "VALUE -2", "FILLER PIC X(", "OCCURS 0 TO 1 DEPENDING ON COUNT", "REDEFINES"})
        EXPECT_NE(text.find(clause), std::string::npos) << clause << "\n" << text;
    EXPECT_EQ(text.find("COMP-5"), std::string::npos);

    // The definitions file gives the same copybook, its names derived the
    // import's way.
    ProgramResult fromFile = runProgram("norvakgen", {"-f", file, "--target", "copybook"});
    ASSERT_EQ(fromFile.exitCode, 9) << fromFile.errors;
    EXPECT_EQ(fromFile.output, text);
}

TEST_P(Copybooks, TheShippedExamplesCompileAndWhatCobolCannotHoldIsCounted) {
    TempDir folder;
    // Every field of the sensors' records follows one of variable size: their
    // copybooks compile and run, with no offset known to compare.
    const std::pair<const char*, int> examples[] = {{"orders", 20}, {"payments", 25}, {"sensors", 0}};
    for (const auto& [example, least] : examples) {
        SCOPED_TRACE(example);
        const std::string file = sourcePath(std::string("examples/") + example + ".xml");
        const std::string set = std::string("Cbk_") + example;
        load(file, set);
        auto [books, layouts] = generated({"-s", set}, 9);
        EXPECT_GE(checkWithCobc(books, layouts, folder), least);
    }
    // A null-terminated string is written as its least bytes, said on
    // standard error and in the exit code.
    ProgramResult orders = runConnected("norvakgen", {"-s", "Cbk_orders", "--target", "copybook", "-m", "PlaceOrder"});
    EXPECT_EQ(orders.exitCode, 9);
    EXPECT_NE(orders.errors.find("*****Warning - message PlaceOrder, field Note: a null-terminated string, written as "
                                 "its least bytes"),
              std::string::npos)
        << orders.errors;
    EXPECT_NE(orders.errors.find("*****Warning - 1 field written as the nearest COBOL equivalent (exit code 9)"),
              std::string::npos);
    EXPECT_NE(orders.output.find("Not exact: Note is a null-terminated string"), std::string::npos) << orders.output;
    ProgramResult invoice = runConnected("norvakgen", {"-s", "Cbk_orders", "--target", "copybook", "-m", "SendInvoice",
                                                       "-o", folder.path() + "/invoice.cpy"});
    EXPECT_EQ(invoice.exitCode, 0) << invoice.errors;
    EXPECT_EQ(invoice.output, "");
    EXPECT_NE(readFile(folder.path() + "/invoice.cpy").find("PIC S9(19) COMP-3"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(, Copybooks, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test

// Tests of norvakcodec against GnuCOBOL: records a program compiled with the generated copybook writes, decoded and
// encoded again.
#include "e2e/GeneratedTargets.h"
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// A COBOL program that copies the message's generated copybook writes a
// fixed-length record file (negative and maximal packed and zoned values,
// every sign orientation, a binary integer, a text shorter than its field,
// an OCCURS DEPENDING ON count of 0 and of its most) and displays each value
// it wrote. norvakcodec decode must give those values, encode of its lines
// the program's bytes, and a record with a bad packed digit must go to the
// rejects file with its line on standard error. Then a COBOL program reads
// what encode wrote of other documents, displays the same values, and writes
// the records to a variable-length file that decode --records rdw-data
// reads back; under CCSID 037 the same documents take their EBCDIC bytes
// and decode back. Without cobc these tests are skipped, saying so.

namespace norvak::test {
namespace {

const char* const codecDefinitions =
    "<ZEPImport messageSet=\"Codec\"/>\n"
    "<CWFTab name=\"Wire\" ident=\"CWF1\"/>\n"
    "<Element ident=\"Count\" type=\"integer\" length=\"2\"/>\n"
    "<Element ident=\"Amount\" type=\"decimal\" length=\"4\" decimalPoint=\"2\" physicalType=\"Packed Decimal\"/>\n"
    "<Element ident=\"Lead\" type=\"decimal\" length=\"6\" physicalType=\"Extended Decimal\" "
    "signed=\"Included Leading\"/>\n"
    "<Element ident=\"Trail\" type=\"decimal\" length=\"6\" decimalPoint=\"2\" physicalType=\"Extended Decimal\" "
    "signed=\"Included Trailing\"/>\n"
    "<Element ident=\"SepLead\" type=\"decimal\" length=\"5\" decimalPoint=\"1\" physicalType=\"Extended Decimal\" "
    "signed=\"Separate Leading\"/>\n"
    "<Element ident=\"SepTrail\" type=\"decimal\" length=\"5\" physicalType=\"Extended Decimal\" "
    "signed=\"Separate Trailing\"/>\n"
    "<Element ident=\"Plain\" type=\"decimal\" length=\"4\" physicalType=\"Extended Decimal\" signed=\"None\"/>\n"
    "<Element ident=\"Binary\" type=\"integer\" length=\"4\"/>\n"
    "<Element ident=\"Name\" type=\"string\" length=\"10\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"Item\" type=\"string\" length=\"4\" physicalType=\"fixed\"/>\n"
    "<Type ident=\"Rec\" composition=\"sequence\">\n"
    "  <Element ref=\"Count\"/>\n"
    "  <Element ref=\"Amount\"/>\n"
    "  <Element ref=\"Lead\"/>\n"
    "  <Element ref=\"Trail\"/>\n"
    "  <Element ref=\"SepLead\"/>\n"
    "  <Element ref=\"SepTrail\"/>\n"
    "  <Element ref=\"Plain\"/>\n"
    "  <Element ref=\"Binary\"/>\n"
    "  <Element ref=\"Name\"/>\n"
    "  <Element ref=\"Item\" repeat=\"Count\"/>\n"
    "</Type>\n"
    "<Message ident=\"rec\" type=\"Rec\"/>\n";

// The values of the two records, by path, as COBOL literals. A repeat
// reference of a definitions file sizes at most one item (OCCURS 0 TO 1).
const std::vector<std::vector<std::pair<std::string, std::string>>> recordValues = {
    {{"Count", "0"},
     {"Amount", "-12345.67"},
     {"Lead", "-123456"},
     {"Trail", "-12.34"},
     {"SepLead", "-99.5"},
     {"SepTrail", "-1"},
     {"Plain", "0"},
     {"Binary", "-2"},
     {"Name", "\"AB\""}},
    {{"Count", "1"},
     {"Amount", "99999.99"},
     {"Lead", "999999"},
     {"Trail", "9999.99"},
     {"SepLead", "999.9"},
     {"SepTrail", "9999"},
     {"Plain", "9999"},
     {"Binary", "999999999"},
     {"Name", "\"ABCDEFGHIJ\""},
     {"Item", "\"WXYZ\""}},
};

bool cobcInstalled() {
    return std::system("cobc --version > /dev/null 2>&1") == 0;
}

// The COBOL program that writes the records to records.bin and displays
// "record path value" for each value.
std::string writerProgram(const nlohmann::json& book, long recordBytes) {
    std::map<std::string, std::string> names;
    for (const nlohmann::json& field : book["fields"])
        names[field["path"]] = field["name"];
    const std::string record = book["record"];
    std::ostringstream program;
    program << "       IDENTIFICATION DIVISION.\n       PROGRAM-ID. W.\n       ENVIRONMENT DIVISION.\n"
               "       INPUT-OUTPUT SECTION.\n       FILE-CONTROL.\n"
               "           SELECT OUT-FILE ASSIGN TO \"records.bin\"\n"
               "               ORGANIZATION IS SEQUENTIAL.\n"
               "       DATA DIVISION.\n       FILE SECTION.\n       FD OUT-FILE.\n"
               "       01 OUT-REC PIC X("
            << recordBytes
            << ").\n       WORKING-STORAGE SECTION.\n       COPY \"rec.cpy\".\n       PROCEDURE DIVISION.\n"
               "           OPEN OUTPUT OUT-FILE\n";
    for (std::size_t r = 0; r < recordValues.size(); ++r) {
        for (const auto& [path, value] : recordValues[r])
            program << "           MOVE " << value << " TO\n               " << names[path]
                    << (path == "Item" ? " (1)" : "") << "\n";
        program << "           WRITE OUT-REC FROM " << record << "\n";
        for (const auto& [path, value] : recordValues[r])
            program << "           DISPLAY \"" << r << " " << path << " \"\n               " << names[path]
                    << (path == "Item" ? " (1)" : "") << "\n";
    }
    program << "           CLOSE OUT-FILE\n           STOP RUN.\n";
    return program.str();
}

// A value as COBOL displays it ("-0012", "+.500", "0001-", "AB        ")
// in the form of the JSON: no leading zeros, the sign only when negative,
// a text without its trailing blanks.
std::string normalised(std::string shown, bool number) {
    if (!number)
        return shown.substr(0, shown.find_last_not_of(' ') + 1);
    bool negative = false;
    if (!shown.empty() && (shown.front() == '-' || shown.front() == '+')) {
        negative = shown.front() == '-';
        shown.erase(0, 1);
    } else if (!shown.empty() && (shown.back() == '-' || shown.back() == '+')) {
        negative = shown.back() == '-';
        shown.pop_back();
    }
    const std::size_t point = shown.find('.');
    std::string whole = shown.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : shown.substr(point);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    const std::string text = (whole.empty() ? "0" : whole) + fraction;
    const bool zero = text.find_first_of("123456789") == std::string::npos;
    return (negative && !zero ? "-" : "") + text;
}

// What the tests of one source of the set do: norvakgen's copybook and
// layout, the COBOL program's records, then norvakcodec on them.
class CodecAgainstCobol {
  public:
    CodecAgainstCobol(const TempDir& folder, std::vector<std::string> source,
                      std::function<ProgramResult(const std::string&, const std::vector<std::string>&)> run)
        : folder_(folder), source_(std::move(source)), run_(std::move(run)) {}

    void writeRecordsWithCobol();
    void decodeGivesTheValuesAndEncodeTheBytes();
    void aBadPackedDigitIsRejected();
    void cobolReadsWhatEncodeWrote();
    void ebcdicHoldsTheSameDocuments();

  private:
    std::vector<std::string> arguments(std::vector<std::string> more) const {
        std::vector<std::string> all = {more.front()};
        all.insert(all.end(), source_.begin(), source_.end());
        all.insert(all.end(), more.begin() + 1, more.end());
        return all;
    }

    const TempDir& folder_;
    std::vector<std::string> source_;
    std::function<ProgramResult(const std::string&, const std::vector<std::string>&)> run_;
    long recordBytes_ = 0;
    long amountOffset_ = 0;
    std::map<std::string, long> offsets_;      // of each field, by path
    std::map<std::string, std::string> shown_; // "record path" to the value displayed
    std::map<std::string, std::string> names_; // the COBOL name of each path
    std::string record_;                       // the COBOL name of the record
};

void CodecAgainstCobol::writeRecordsWithCobol() {
    std::vector<std::string> gen = source_;
    gen.insert(gen.end(), {"--format", "json", "--target", "copybook"});
    ProgramResult copybook = run_("norvakgen", gen);
    ASSERT_EQ(copybook.exitCode, 9) << copybook.output; // OCCURS 0 TO 1: no most occurrences in the set
    gen.back() = "layout";
    ProgramResult layout = run_("norvakgen", gen);
    ASSERT_EQ(layout.exitCode, 0) << layout.output;
    const nlohmann::json book = nlohmann::json::parse(copybook.output)["copybooks"][0];
    for (const nlohmann::json& field : book["fields"])
        names_[field["path"]] = field["name"];
    record_ = book["record"];
    const nlohmann::json layouts = nlohmann::json::parse(layout.output)["layouts"];
    for (const nlohmann::json& field : layouts[0]["fields"]) {
        recordBytes_ += field["length"].get<long>() * std::max(1, field["repeat"].get<int>());
        offsets_[field["path"]] = field["offset"].get<long>();
        if (field["path"] == "Amount")
            amountOffset_ = field["offset"].get<long>();
    }
    EXPECT_EQ(recordBytes_, 2 + 4 + 6 + 6 + (5 + 1) + (5 + 1) + 4 + 4 + 10 + 4); // a separate sign takes a byte
    folder_.write("rec.cpy", book["text"]);
    const std::string source = folder_.write("w.cob", writerProgram(book, recordBytes_));
    const std::string compile = "cd '" + folder_.path() + "' && cobc -x -o w w.cob > w.log 2>&1";
    ASSERT_EQ(std::system(compile.c_str()), 0) << readFile(folder_.path() + "/w.log") << readFile(source);
    const std::string runIt = "cd '" + folder_.path() + "' && ./w > w.out 2>&1";
    ASSERT_EQ(std::system(runIt.c_str()), 0) << readFile(folder_.path() + "/w.out");
    std::istringstream lines(readFile(folder_.path() + "/w.out"));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t space = line.find(' ', 2);
        shown_[line.substr(0, space)] = line.substr(space + 1);
    }
    EXPECT_EQ(shown_.size(), 19U) << readFile(folder_.path() + "/w.out");
    EXPECT_EQ(readFile(folder_.path() + "/records.bin").size(), static_cast<std::size_t>(2 * recordBytes_));
}

void CodecAgainstCobol::decodeGivesTheValuesAndEncodeTheBytes() {
    const std::string records = folder_.path() + "/records.bin";
    ProgramResult decoded = run_("norvakcodec", arguments({"decode", "-m", "rec", records}));
    ASSERT_EQ(decoded.exitCode, 0) << decoded.errors;
    EXPECT_NE(decoded.errors.find("Decoded records of message rec: 2 read, 2 written, 0 rejected"), std::string::npos)
        << decoded.errors;
    const std::vector<std::string> lines = decoded.lines();
    ASSERT_EQ(lines.size(), 2U) << decoded.output;
    for (std::size_t r = 0; r < lines.size(); ++r) {
        const nlohmann::json content = nlohmann::json::parse(lines[r]);
        SCOPED_TRACE(lines[r]);
        for (const auto& [path, literal] : recordValues[r]) {
            const nlohmann::json& value = path == "Item" ? content["Item"][0] : content[path];
            const bool text = path == "Name" || path == "Item";
            const std::string got = value.is_string() ? value.get<std::string>() : value.dump();
            EXPECT_EQ(got, normalised(shown_[std::to_string(r) + " " + path], !text)) << path;
        }
        EXPECT_EQ(content["Item"].size(), r); // the count 0, then its most
    }
    // The JSON of the COBOL program's records encodes to its bytes.
    folder_.write("records.jsonl", decoded.output);
    const std::string again = folder_.path() + "/again.bin";
    ProgramResult encoded =
        run_("norvakcodec", arguments({"encode", "-m", "rec", folder_.path() + "/records.jsonl", "-o", again}));
    ASSERT_EQ(encoded.exitCode, 0) << encoded.errors;
    EXPECT_EQ(readFile(again), readFile(records));
}

void CodecAgainstCobol::aBadPackedDigitIsRejected() {
    std::string bytes = readFile(folder_.path() + "/records.bin");
    bytes[static_cast<std::size_t>(recordBytes_ + amountOffset_ + 1)] = '\xAA';
    const std::string bad = folder_.write("bad.bin", bytes);
    const std::string rejects = folder_.path() + "/rejects.bin";
    ProgramResult decoded = run_("norvakcodec", arguments({"decode", "-m", "rec", bad, "--rejects", rejects}));
    EXPECT_EQ(decoded.exitCode, 9) << decoded.errors;
    EXPECT_EQ(decoded.lines().size(), 1U) << decoded.output;
    const std::string line = "*****Error - record 2 (input byte " + std::to_string(recordBytes_) + "), byte " +
                             std::to_string(amountOffset_ + 1) +
                             ", field Amount: a packed digit out of range (byte 0xAA) - rejected";
    EXPECT_NE(decoded.errors.find(line), std::string::npos) << decoded.errors;
    EXPECT_NE(decoded.errors.find("Decoded records of message rec: 2 read, 1 written, 1 rejected"), std::string::npos)
        << decoded.errors;
    EXPECT_EQ(readFile(rejects), bytes.substr(static_cast<std::size_t>(recordBytes_)));
    // --max-errors 1 ends the run at it; --skip 1 --count 1 reads the second alone.
    ProgramResult stopped = run_("norvakcodec", arguments({"decode", "-m", "rec", bad, "--max-errors", "1", "-q"}));
    EXPECT_EQ(stopped.exitCode, 10) << stopped.errors;
    ProgramResult sliced =
        run_("norvakcodec",
             arguments({"decode", "-m", "rec", folder_.path() + "/records.bin", "--skip", "1", "--count", "1"}));
    EXPECT_EQ(sliced.exitCode, 0) << sliced.errors;
    ASSERT_EQ(sliced.lines().size(), 1U);
    EXPECT_EQ(nlohmann::json::parse(sliced.lines()[0])["Amount"], "99999.99");
}

// Documents not made by a COBOL program, in the canonical form decode
// writes: the other extreme values, an empty text, a count of its most
// and of 0.
const char* const encodedDocuments =
    R"({"Count":1,"Amount":"-0.01","Lead":"-1","Trail":"0.05","SepLead":"-0.1","SepTrail":"42","Plain":"7",)"
    R"("Binary":-999999999,"Name":"Zq 9","Item":["ab"]})"
    "\n"
    R"({"Count":0,"Amount":"0.00","Lead":"0","Trail":"-9999.99","SepLead":"0.0","SepTrail":"-9999","Plain":"0",)"
    R"("Binary":0,"Name":"","Item":[]})"
    "\n";

// A COBOL program reads the fixed-length records encode wrote, displays
// their values, and writes them again to a variable-length file, which
// GnuCOBOL frames with its record descriptor counting the data only:
// decode --records rdw-data gives the documents back.
std::string readerProgram(const std::map<std::string, std::string>& names, const std::string& record,
                          long recordBytes) {
    std::ostringstream program;
    program << "       IDENTIFICATION DIVISION.\n       PROGRAM-ID. R.\n       ENVIRONMENT DIVISION.\n"
               "       INPUT-OUTPUT SECTION.\n       FILE-CONTROL.\n"
               "           SELECT IN-FILE ASSIGN TO \"input.bin\"\n"
               "               ORGANIZATION IS SEQUENTIAL.\n"
               "           SELECT VAR-FILE ASSIGN TO \"var.bin\"\n"
               "               ORGANIZATION IS SEQUENTIAL.\n"
               "       DATA DIVISION.\n       FILE SECTION.\n       FD IN-FILE.\n"
               "       01 IN-REC PIC X("
            << recordBytes << ").\n       FD VAR-FILE\n           RECORD IS VARYING IN SIZE FROM 1 TO " << recordBytes
            << "\n           DEPENDING ON WS-LEN.\n       01 VAR-REC PIC X(" << recordBytes
            << ").\n       WORKING-STORAGE SECTION.\n       01 WS-LEN PIC 9(4) COMP-5.\n"
               "       01 WS-END PIC X VALUE \"N\".\n       01 WS-N PIC 9 VALUE 0.\n"
               "       COPY \"rec.cpy\".\n       PROCEDURE DIVISION.\n"
               "           OPEN INPUT IN-FILE\n           OPEN OUTPUT VAR-FILE\n"
               "           PERFORM UNTIL WS-END = \"Y\"\n"
               "             READ IN-FILE INTO "
            << record << "\n               AT END MOVE \"Y\" TO WS-END\n               NOT AT END\n";
    for (const auto& [path, value] : recordValues[1]) {
        if (path == "Item")
            program << "                 IF " << names.at("Count") << " > 0\n"
                    << "                   DISPLAY WS-N \" Item \" " << names.at(path) << " (1)\n"
                    << "                 END-IF\n";
        else
            program << "                 DISPLAY WS-N \" " << path << " \"\n                   " << names.at(path)
                    << "\n";
    }
    program << "                 MOVE LENGTH OF " << record << " TO WS-LEN\n"
            << "                 WRITE VAR-REC FROM " << record << "\n"
            << "                 ADD 1 TO WS-N\n             END-READ\n           END-PERFORM\n"
               "           CLOSE IN-FILE VAR-FILE\n           STOP RUN.\n";
    return program.str();
}

void CodecAgainstCobol::cobolReadsWhatEncodeWrote() {
    folder_.write("documents.jsonl", encodedDocuments);
    ProgramResult encoded = run_("norvakcodec", arguments({"encode", "-m", "rec", folder_.path() + "/documents.jsonl",
                                                           "-o", folder_.path() + "/input.bin"}));
    ASSERT_EQ(encoded.exitCode, 0) << encoded.errors;
    const std::string source = folder_.write("r.cob", readerProgram(names_, record_, recordBytes_));
    const std::string compile = "cd '" + folder_.path() + "' && cobc -x -o r r.cob > r.log 2>&1";
    ASSERT_EQ(std::system(compile.c_str()), 0) << readFile(folder_.path() + "/r.log") << readFile(source);
    const std::string runIt = "cd '" + folder_.path() + "' && ./r > r.out 2>&1";
    ASSERT_EQ(std::system(runIt.c_str()), 0) << readFile(folder_.path() + "/r.out");
    std::map<std::string, std::string> shown;
    std::istringstream lines(readFile(folder_.path() + "/r.out"));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t space = line.find(' ', 2);
        shown[line.substr(0, space)] = line.substr(space + 1);
    }
    std::istringstream documents(encodedDocuments);
    int r = 0;
    for (std::string line; std::getline(documents, line); ++r) {
        const nlohmann::json content = nlohmann::json::parse(line);
        for (const auto& [key, value] : content.items()) {
            const bool text = key == "Name" || key == "Item";
            const nlohmann::json& one = key == "Item" ? (value.empty() ? nlohmann::json() : value[0]) : value;
            if (one.is_null())
                continue;
            EXPECT_EQ(normalised(shown[std::to_string(r) + " " + key], !text),
                      one.is_string() ? one.get<std::string>() : one.dump())
                << key << " of record " << r << "\n"
                << readFile(folder_.path() + "/r.out");
        }
    }
    // The variable-length file GnuCOBOL wrote decodes to the documents.
    ProgramResult decoded =
        run_("norvakcodec", arguments({"decode", "-m", "rec", "--records", "rdw-data", folder_.path() + "/var.bin"}));
    ASSERT_EQ(decoded.exitCode, 0) << decoded.errors;
    EXPECT_EQ(decoded.output, encodedDocuments);
}

// The documents encoded under CCSID 037: zoned digits F0 to F9 with the
// zones C and D, text in EBCDIC, blanks 40 after the last field; decoded
// under it, the same documents.
void CodecAgainstCobol::ebcdicHoldsTheSameDocuments() {
    folder_.write("documents.jsonl", encodedDocuments);
    const std::string ebcdic = folder_.path() + "/ebcdic.bin";
    ProgramResult encoded =
        run_("norvakcodec",
             arguments({"encode", "-m", "rec", "--ccsid", "037", folder_.path() + "/documents.jsonl", "-o", ebcdic}));
    ASSERT_EQ(encoded.exitCode, 0) << encoded.errors;
    const std::string bytes = readFile(ebcdic);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(2 * recordBytes_));
    auto at = [&](long record, const char* path, std::size_t length) {
        return bytes.substr(static_cast<std::size_t>(record * recordBytes_ + offsets_[path]), length);
    };
    EXPECT_EQ(at(0, "Lead", 6), "\xD0\xF0\xF0\xF0\xF0\xF1");                  // -1, the sign leading
    EXPECT_EQ(at(1, "Trail", 6), "\xF9\xF9\xF9\xF9\xF9\xD9");                 // -9999.99
    EXPECT_EQ(at(0, "SepTrail", 6), "\xF0\xF0\xF0\xF4\xF2\x4E");              // 42+
    EXPECT_EQ(at(0, "Plain", 4), "\xF0\xF0\xF0\xF7");                         // no sign: F
    EXPECT_EQ(at(0, "Name", 10), "\xE9\x98\x40\xF9\x40\x40\x40\x40\x40\x40"); // "Zq 9"
    EXPECT_EQ(at(1, "Item", 4), "\x40\x40\x40\x40");                          // the unused item: blanks
    ProgramResult decoded = run_("norvakcodec", arguments({"decode", "-m", "rec", "--ccsid", "037", ebcdic}));
    ASSERT_EQ(decoded.exitCode, 0) << decoded.errors;
    EXPECT_EQ(decoded.output, encodedDocuments);
}

class CodecRecords : public GeneratedTargetTest {
  protected:
    void SetUp() override {
        RepositoryTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        if (!cobcInstalled())
            GTEST_SKIP() << "cobc (GnuCOBOL) is not installed: no COBOL program writes the records (scripts/setup.sh "
                            "installs gnucobol3)";
    }
};

TEST_P(CodecRecords, DecodeGivesWhatACobolProgramWroteAndEncodeItsBytes) {
    TempDir folder;
    load(folder.write("codec.xml", codecDefinitions), "Codec");
    CodecAgainstCobol check(folder, {"-s", "Codec"},
                            [this](const std::string& program, const std::vector<std::string>& arguments) {
                                return runConnected(program, arguments);
                            });
    ASSERT_NO_FATAL_FAILURE(check.writeRecordsWithCobol());
    check.decodeGivesTheValuesAndEncodeTheBytes();
    check.aBadPackedDigitIsRejected();
    check.cobolReadsWhatEncodeWrote();
    check.ebcdicHoldsTheSameDocuments();
}

INSTANTIATE_TEST_SUITE_P(, CodecRecords, allBackends(), backendParamName);

TEST(CodecRecordsOfAFile, DecodeGivesWhatACobolProgramWroteAndEncodeItsBytes) {
    if (!cobcInstalled())
        GTEST_SKIP() << "cobc (GnuCOBOL) is not installed: no COBOL program writes the records (scripts/setup.sh "
                        "installs gnucobol3)";
    TempDir folder;
    const std::string file = folder.write("codec.xml", codecDefinitions);
    CodecAgainstCobol check(folder, {"-f", file},
                            [](const std::string& program, const std::vector<std::string>& arguments) {
                                return runProgram(program, arguments);
                            });
    ASSERT_NO_FATAL_FAILURE(check.writeRecordsWithCobol());
    check.decodeGivesTheValuesAndEncodeTheBytes();
    check.aBadPackedDigitIsRejected();
    check.cobolReadsWhatEncodeWrote();
    check.ebcdicHoldsTheSameDocuments();
}

} // namespace
} // namespace norvak::test

namespace norvak::test {
namespace {

// The command line's mistakes are told before anything is read, each with
// exit code 2; an input that cannot be opened ends with 11; --report json
// is the tools' document on standard error, with the counts.
TEST(CodecCommandLine, MistakesInputsAndTheReportEachHaveTheirExitCode) {
    TempDir folder;
    const std::string file = folder.write("codec.xml", codecDefinitions);
    const std::pair<std::vector<std::string>, std::string> mistakes[] = {
        {{"-f", file, "-m", "rec"}, "*****Error - no command: decode or encode comes first"},
        {{"decode", "-f", file}, "*****Error - no message: give it with -m"},
        {{"decode", "-f", file, "-m", "rec", "--format", "xml"},
         "*****Error - --format xml is not there yet: the format is jsonl"},
        {{"decode", "-f", file, "-m", "rec", "--records", "vb"},
         "*****Error - unknown --records vb: fixed, rdw, rdw-data, prefix2, prefix4, lines"},
        {{"decode", "-f", file, "-m", "rec", "--byte-order", "middle"},
         "*****Error - unknown byte order middle: the byte orders are big, little"},
        {{"decode", "-f", file, "-m", "rec", "--max-errors", "0"},
         "*****Error - --max-errors takes a whole number of at least 1, not 0"},
        {{"decode", "-f", file, "-m", "rec", "a.bin", "b.bin"}, "*****Error - more than one input: a.bin and b.bin"},
    };
    for (const auto& [arguments, line] : mistakes) {
        ProgramResult result = runProgram("norvakcodec", arguments);
        EXPECT_EQ(result.exitCode, 2) << line;
        EXPECT_NE(result.errors.find(line), std::string::npos) << result.errors;
    }
    EXPECT_NE(runProgram("norvakcodec", {"decode", "-f", file, "-m", "rec", "--ccsid", "999"})
                  .errors.find("*****Error - unknown --ccsid 999: the CCSIDs known are 037, 273"),
              std::string::npos);
    ProgramResult noMessage = runProgram("norvakcodec", {"decode", "-f", file, "-m", "other"});
    EXPECT_EQ(noMessage.exitCode, 8);
    ProgramResult missing = runProgram("norvakcodec", {"decode", "-f", file, "-m", "rec", folder.path() + "/none.bin"});
    EXPECT_EQ(missing.exitCode, 11) << missing.errors;

    // Standard input to standard output; the report as one JSON document.
    ProgramResult empty = runProgram("norvakcodec", {"decode", "-f", file, "-m", "rec", "-", "--report", "json"});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.output, "");
    const nlohmann::json document = nlohmann::json::parse(empty.errors);
    EXPECT_EQ(document["program"], "norvakcodec");
    EXPECT_EQ(document["exitCode"], 0);
    EXPECT_EQ(document["records"], nlohmann::json({{"read", 0}, {"written", 0}, {"rejected", 0}}));
    // A line of JSON that is no document is rejected with its line number.
    ProgramResult encoded = runProgram("norvakcodec", {"encode", "-f", file, "-m", "rec", "-q"}, "{\"Count\":\n");
    EXPECT_EQ(encoded.exitCode, 9);
    EXPECT_NE(encoded.errors.find("*****Error - line 1: no JSON (at byte 10 of the line) - rejected"),
              std::string::npos)
        << encoded.errors;
    // -q leaves out the count of a run without errors.
    ProgramResult quiet = runProgram("norvakcodec", {"encode", "-f", file, "-m", "rec", "-q"}, "");
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.errors, "");
}

} // namespace
} // namespace norvak::test

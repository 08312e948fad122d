// Tests that norvakcodec's JSON is what norvakgen's JSON Schema takes: random documents of the schema encoded, decoded,
// and every decoded line validated.
#include "e2e/ProgramRunner.h"
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

// For a model of every physical type and for the shipped examples, random
// documents the generated JSON Schema takes (one alternative of each choice,
// a repeat reference of 0 items or its most, a member of several
// occurrences that the record holds once) encode without a reject, and each
// line decode gives of those records validates against the same schema
// (python3 jsonschema, Draft 2020-12, all lines in one call).

namespace norvak::test {
namespace {

const char* const everyKindDefinitions =
    "<ZEPImport messageSet=\"Kinds\"/>\n"
    "<CWFTab name=\"Wire\" ident=\"CWF1\"/>\n"
    "<Element ident=\"Count\" type=\"integer\" length=\"2\"/>\n"
    "<Element ident=\"Small\" type=\"integer\" length=\"1\"/>\n"
    "<Element ident=\"Whole\" type=\"integer\" length=\"4\"/>\n"
    "<Element ident=\"Wide\" type=\"integer\" length=\"4\"/>\n"
    "<Element ident=\"Packed\" type=\"decimal\" length=\"5\" decimalPoint=\"3\" physicalType=\"Packed Decimal\"/>\n"
    "<Element ident=\"Lead\" type=\"decimal\" length=\"6\" physicalType=\"Extended Decimal\" "
    "signed=\"Included Leading\"/>\n"
    "<Element ident=\"Trail\" type=\"decimal\" length=\"6\" decimalPoint=\"2\" physicalType=\"Extended Decimal\" "
    "signed=\"Included Trailing\"/>\n"
    "<Element ident=\"SepLead\" type=\"decimal\" length=\"4\" physicalType=\"Extended Decimal\" "
    "signed=\"Separate Leading\"/>\n"
    "<Element ident=\"SepTrail\" type=\"decimal\" length=\"4\" decimalPoint=\"3\" physicalType=\"Extended Decimal\" "
    "signed=\"Separate Trailing\"/>\n"
    "<Element ident=\"Plain\" type=\"decimal\" length=\"5\" physicalType=\"Extended Decimal\" signed=\"None\"/>\n"
    "<Element ident=\"Single\" type=\"float\" length=\"4\"/>\n"
    "<Element ident=\"Double\" type=\"float\" length=\"8\"/>\n"
    "<Element ident=\"Text\" type=\"string\" length=\"8\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"Right\" type=\"string\" length=\"6\" physicalType=\"fixed\" justification=\"right\" "
    "padChar=\"'*'\"/>\n"
    "<Element ident=\"Ended\" type=\"string\" physicalType=\"Null Terminated\"/>\n"
    "<Element ident=\"Short\" type=\"string\" physicalType=\"Length Encoded String 1\"/>\n"
    "<Element ident=\"Long\" type=\"string\" physicalType=\"Length Encoded String 2\"/>\n"
    "<Element ident=\"Blob\" type=\"binary\" length=\"3\"/>\n"
    "<Element ident=\"Flag\" type=\"boolean\"/>\n"
    "<Element ident=\"At\" type=\"datetime\"/>\n"
    "<Element ident=\"Exactly\" type=\"datetime\" physicalType=\"Time Milliseconds\"/>\n"
    "<Element ident=\"Item\" type=\"string\" length=\"4\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"Number\" type=\"integer\" length=\"4\"/>\n"
    "<Element ident=\"Word\" type=\"string\" length=\"4\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"Pairs\" type=\"Pair\"/>\n"
    "<Type ident=\"Pair\" composition=\"sequence\">\n"
    "  <Element ref=\"Small\"/>\n"
    "  <Element ref=\"Whole\" byteAlignment=\"4\"/>\n"
    "</Type>\n"
    "<Type ident=\"Either\" composition=\"choice\">\n"
    "  <Element ref=\"Number\"/>\n"
    "  <Element ref=\"Word\"/>\n"
    "</Type>\n"
    "<Type ident=\"Rec\" composition=\"sequence\">\n"
    "  <Element ref=\"Count\"/>\n"
    "  <Element ref=\"Wide\"/>\n"
    "  <Element ref=\"Packed\"/>\n"
    "  <Element ref=\"Lead\"/>\n"
    "  <Element ref=\"Trail\"/>\n"
    "  <Element ref=\"SepLead\"/>\n"
    "  <Element ref=\"SepTrail\"/>\n"
    "  <Element ref=\"Plain\"/>\n"
    "  <Element ref=\"Single\"/>\n"
    "  <Element ref=\"Double\"/>\n"
    "  <Element ref=\"Text\" maxOccurs=\"3\"/>\n"
    "  <Element ref=\"Right\"/>\n"
    "  <Element ref=\"Ended\"/>\n"
    "  <Element ref=\"Short\"/>\n"
    "  <Element ref=\"Long\"/>\n"
    "  <Element ref=\"Blob\"/>\n"
    "  <Element ref=\"Flag\"/>\n"
    "  <Element ref=\"At\"/>\n"
    "  <Element ref=\"Exactly\"/>\n"
    "  <Type ref=\"Either\"/>\n"
    "  <Element ref=\"Pairs\" repeat=\"2\"/>\n"
    "  <Element ref=\"Item\" repeat=\"Count\"/>\n"
    "</Type>\n"
    "<Message ident=\"rec\" type=\"Rec\"/>\n";

// The output of a shell command, both streams, and whether it ended with 0.
bool shell(const std::string& command, const std::string& folder, std::string& said) {
    const std::string log = folder + "/shell.log";
    const int status = std::system((command + " > '" + log + "' 2>&1").c_str());
    said = readFile(log);
    return status == 0;
}

// The documents of the schema of `message` encoded and decoded again in
// `framing`; every decoded line must validate against the schema.
void decodedLinesValidate(const TempDir& folder, const std::string& file, const std::string& message,
                          const std::string& framing, int seed) {
    SCOPED_TRACE(file + " " + message + " " + framing);
    const std::string dir = folder.path();
    ProgramResult schema = runProgram("norvakgen", {"-f", file, "-m", message, "--target", "json-schema"});
    ASSERT_TRUE(schema.exitCode == 0 || schema.exitCode == 9) << schema.errors;
    ProgramResult layout =
        runProgram("norvakgen", {"-f", file, "-m", message, "--target", "layout", "--format", "json"});
    ASSERT_EQ(layout.exitCode, 0) << layout.errors;
    const std::string schemaFile = folder.write("message.schema.json", schema.output);
    const std::string layoutFile = folder.write("message.layout.json", layout.output);
    const std::string script = "python3 '" + sourcePath("tests/support/schema-documents.py") + "' ";
    std::string said;
    std::string documents;
    ASSERT_TRUE(
        shell(script + "make '" + schemaFile + "' '" + layoutFile + "' 60 " + std::to_string(seed), dir, documents))
        << documents;
    ProgramResult encoded =
        runProgram("norvakcodec",
                   {"encode", "-f", file, "-m", message, "--records", framing, "-o", dir + "/records.bin"}, documents);
    EXPECT_EQ(encoded.exitCode, 0) << encoded.errors;
    EXPECT_NE(encoded.errors.find("60 read, 60 written, 0 rejected"), std::string::npos) << encoded.errors;
    ProgramResult decoded = runProgram("norvakcodec", {"decode", "-f", file, "-m", message, "--records", framing,
                                                       dir + "/records.bin", "-o", dir + "/decoded.jsonl"});
    EXPECT_EQ(decoded.exitCode, 0) << decoded.errors;
    EXPECT_NE(decoded.errors.find("60 read, 60 written, 0 rejected"), std::string::npos) << decoded.errors;
    EXPECT_TRUE(shell(script + "check '" + schemaFile + "' '" + dir + "/decoded.jsonl'", dir, said))
        << said << readFile(dir + "/decoded.jsonl");
}

TEST(CodecJsonOfTheSchema, DecodedLinesOfEveryKindAndOfTheExamplesValidate) {
    if (std::system("python3 -c 'import jsonschema' > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 jsonschema is not installed (scripts/setup.sh installs python3-jsonschema)";
    TempDir folder;
    const std::string kinds = folder.write("kinds.xml", everyKindDefinitions);
    decodedLinesValidate(folder, kinds, "rec", "rdw-data", 1);
    decodedLinesValidate(folder, kinds, "rec", "rdw", 2);
    for (const char* message : {"PlaceOrder", "SendInvoice"})
        decodedLinesValidate(folder, sourcePath("examples/orders.xml"), message, "rdw", 3);
    for (const char* message : {"credit-transfer", "direct-debit"})
        decodedLinesValidate(folder, sourcePath("examples/payments.xml"), message, "prefix4", 4);
}

} // namespace
} // namespace norvak::test

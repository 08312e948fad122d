// Tests of the schemas against sample documents made from each message's layout and schema, on both databases and from
// files.
#include "e2e/GeneratedModels.h"
#include "e2e/GeneratedTargets.h"
#include "e2e/TestRepository.h"

#include "e2e/ProgramRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <regex>
#include <string>
#include <utility>
#include <vector>

// For every message of the shipped examples, of a generated set with every
// kind of member and of a handful of the fuzzing corpus's files,
// tests/e2e/sample_documents.py makes a JSON document of its logical content
// (values from its layout fields, within the values the set gives) and an XML
// document as the XML Schema says the XML tab writes it, and validates them
// with jsonschema and xmllint; a copy of each with one fault (a text over its
// length, or a required member left out) must be refused.

namespace norvak::test {
namespace {

// The corpus files with messages, taken by the import.
const char* const corpusFiles[] = {"checks-4", "import-1", "physical-rules-cwf", "reconciliation-1",
                                   "reconciliation-8"};

// What the generated set holds that no document can: elements whose every
// enumeration value is longer than the length of their CWF field.
const std::vector<std::string> generatedFindings = {
    R"(FINDING generated: JSON Schema: no value of ["red 0", "blue 0"] over 1)",
    R"(FINDING generated: JSON Schema: no value of ["red 84", "blue 84"] over 5)",
    "FINDING generated: XML Schema: no value of E0_e_value",
    "FINDING generated: XML Schema: no value of E84_e_value",
};

std::vector<std::pair<std::string, std::string>> definitionsFiles(const TempDir& folder) {
    std::vector<std::pair<std::string, std::string>> files = {
        {"orders", sourcePath("examples/orders.xml")},
        {"payments", sourcePath("examples/payments.xml")},
        {"sensors", sourcePath("examples/sensors.xml")},
        {"generated", folder.write("generated.xml", generatedModel(120))},
    };
    for (const char* name : corpusFiles)
        files.emplace_back(name, sourcePath(std::string("tests/fuzz/corpus/") + name + ".xml"));
    return files;
}


bool toolsInstalled() {
    return shellCommand("python3 -c 'import jsonschema' && xmllint --version").first == 0;
}

// Runs norvakgen with the source options of one set and writes what the
// sample maker reads of it into `folder`: its entry of the manifest.
template <typename Run>
nlohmann::json writeTargets(const TempDir& folder, const std::string& name, const std::vector<std::string>& source,
                            Run run) {
    nlohmann::json entry = {{"name", name}, {"folder", folder.path()}, {"layouts", nullptr}, {"xsd", nullptr}};
    auto generate = [&](const char* target, const std::vector<std::string>& more) {
        std::vector<std::string> arguments = source;
        arguments.insert(arguments.end(), {"--target", target, "-q"});
        arguments.insert(arguments.end(), more.begin(), more.end());
        return run(arguments);
    };
    ProgramResult json = generate("json-schema", {"-o", folder.path() + "/" + name + ".schema.json"});
    EXPECT_TRUE(json.exitCode == 0 || json.exitCode == 9) << name << json.errors;
    entry["jsonSchema"] = name + ".schema.json";
    // A set with no CWF tab has no layout (exit code 8), with no XML tab no XML Schema.
    if (ProgramResult layouts = generate("layout", {"--format", "json"}); layouts.exitCode == 0) {
        folder.write(name + ".layouts.json", layouts.output);
        entry["layouts"] = name + ".layouts.json";
    } else {
        EXPECT_EQ(layouts.exitCode, 8) << name << layouts.errors;
    }
    if (ProgramResult xsd = generate("xsd", {"-o", folder.path() + "/" + name + ".xsd"});
        xsd.exitCode == 0 || xsd.exitCode == 9) {
        entry["xsd"] = name + ".xsd";
    } else {
        EXPECT_EQ(xsd.exitCode, 8) << name << xsd.errors;
    }
    return entry;
}

// The sample maker over the manifest: its exit status and what it said.
std::pair<int, std::string> makeSamples(const TempDir& folder, const nlohmann::json& manifest) {
    const std::string file = folder.write("manifest.json", manifest.dump());
    return shellCommand("python3 '" + sourcePath("tests/e2e/sample_documents.py") + "' '" + file + "'");
}

// Every set's line: a sample of each message and a refused fault of each
// kind of document the set has a schema for, and exactly the findings of the
// generated set.
void expectEverySetChecked(const nlohmann::json& manifest, const std::string& said) {
    std::vector<std::string> findings;
    std::smatch found;
    for (auto at = said.cbegin(); std::regex_search(at, said.cend(), found, std::regex("FINDING [^\n]*"));
         at = found.suffix().first)
        findings.push_back(found.str());
    EXPECT_EQ(findings, generatedFindings) << said;
    for (const nlohmann::json& entry : manifest) {
        const std::string name = entry["name"];
        const std::string xml = entry["xsd"].is_null() ? "" : ", xml [1-9][0-9]*, xmlFaults [1-9][0-9]*";
        EXPECT_TRUE(std::regex_search(
            said, std::regex("(^|\n)" + name + ": json [1-9][0-9]*, jsonFaults [1-9][0-9]*" + xml + "\n")))
            << name << "\n"
            << said;
    }
}

class SampleDocuments : public GeneratedTargetTest {};

TEST_P(SampleDocuments, EveryMessageOfTheStoredSetsGivesSamplesItsSchemasAccept) {
    if (!toolsInstalled())
        GTEST_SKIP() << "python3-jsonschema or xmllint is not installed: no samples are checked";
    TempDir folder;
    nlohmann::json manifest = nlohmann::json::array();
    for (const auto& [name, file] : definitionsFiles(folder)) {
        const std::string set = "Smp_" + name;
        load(file, set);
        manifest.push_back(writeTargets(folder, name, {"-s", set}, [&](const std::vector<std::string>& arguments) {
            return runConnected("norvakgen", arguments);
        }));
    }
    auto [status, said] = makeSamples(folder, manifest);
    EXPECT_EQ(status, 0) << said;
    expectEverySetChecked(manifest, said);
}

INSTANTIATE_TEST_SUITE_P(, SampleDocuments, allBackends(), backendParamName);

nlohmann::json manifestOfFiles(const TempDir& folder) {
    nlohmann::json manifest = nlohmann::json::array();
    for (const auto& [name, file] : definitionsFiles(folder))
        manifest.push_back(writeTargets(folder, name, {"-f", file}, [](const std::vector<std::string>& arguments) {
            return runProgram("norvakgen", arguments);
        }));
    return manifest;
}

TEST(SampleDocumentsOfFiles, EveryMessageOfTheDefinitionsFilesGivesSamplesItsSchemasAccept) {
    if (!toolsInstalled())
        GTEST_SKIP() << "python3-jsonschema or xmllint is not installed: no samples are checked";
    TempDir folder;
    const nlohmann::json manifest = manifestOfFiles(folder);
    auto [status, said] = makeSamples(folder, manifest);
    EXPECT_EQ(status, 0) << said;
    expectEverySetChecked(manifest, said);
}

// The texts of the samples are as long as the layout's fields, not as the
// schema they are checked against says: a schema narrower than the record
// refuses them, the JSON Schema and the XML Schema each alone.
TEST(SampleDocumentsOfFiles, ASchemaNarrowerThanTheRecordRefusesTheSamples) {
    if (!toolsInstalled())
        GTEST_SKIP() << "python3-jsonschema or xmllint is not installed: no samples are checked";
    TempDir folder;
    nlohmann::json orders =
        writeTargets(folder, "orders", {"-f", sourcePath("examples/orders.xml")},
                     [](const std::vector<std::string>& arguments) { return runProgram("norvakgen", arguments); });
    // CustomerName holds 40 characters; its schemas are made to say 39.
    const std::string original = readFile(folder.path() + "/orders.schema.json");
    std::string json = original;
    const std::string most = "\"maxLength\": 40";
    ASSERT_NE(json.find(most), std::string::npos);
    json.replace(json.find(most), most.size(), "\"maxLength\": 39");
    folder.write("orders.schema.json", json);
    auto [status, said] = makeSamples(folder, nlohmann::json::array({orders}));
    EXPECT_NE(status, 0) << said;
    EXPECT_NE(said.find("PROBLEM orders PlaceOrder: the JSON sample is refused: 'SampleSampleSample"),
              std::string::npos)
        << said;
    EXPECT_EQ(said.find("the XML sample is refused"), std::string::npos) << said;

    std::string xsd = readFile(folder.path() + "/orders.xsd");
    const std::string xmlMost = "<xs:maxLength value=\"40\"/>";
    ASSERT_NE(xsd.find(xmlMost), std::string::npos) << xsd;
    xsd.replace(xsd.find(xmlMost), xmlMost.size(), "<xs:maxLength value=\"39\"/>");
    folder.write("orders.xsd", xsd);
    folder.write("orders.schema.json", original);
    auto [xmlStatus, xmlSaid] = makeSamples(folder, nlohmann::json::array({orders}));
    EXPECT_NE(xmlStatus, 0) << xmlSaid;
    EXPECT_NE(xmlSaid.find("PROBLEM orders PlaceOrder: the XML sample is refused"), std::string::npos) << xmlSaid;
    EXPECT_EQ(xmlSaid.find("the JSON sample is refused"), std::string::npos) << xmlSaid;
}

} // namespace
} // namespace norvak::test

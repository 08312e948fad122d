// Tests of norvakgen --target json-schema and xsd: every schema checked by python3-jsonschema and xmllint, on both databases.
#include "e2e/GeneratedModels.h"
#include "e2e/GeneratedTargets.h"
#include "e2e/TestRepository.h"

#include "e2e/ProgramRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>
#include <vector>

// The schemas of the shipped examples and of a generated set are checked by
// real tools: each JSON Schema against the 2020-12 meta-schema, each XML
// Schema compiled by xmllint; sample documents made by hand validate
// against them, and documents with one fault each do not. The same set
// gives the same bytes from either database and from its definitions file.

namespace norvak::test {
namespace {


// Whether `document` validates against the JSON Schema in `schema`; the
// schema itself must be valid against the meta-schema.
bool jsonValidates(const TempDir& folder, const std::string& schema, const std::string& document) {
    const std::string schemaFile = folder.write("check.schema.json", schema);
    const std::string documentFile = folder.write("check.json", document);
    auto [status, said] = shellCommand("python3 -c \"import jsonschema,json,sys; s=json.load(open(sys.argv[1])); "
                                "jsonschema.Draft202012Validator.check_schema(s); "
                                "sys.exit(0 if jsonschema.Draft202012Validator(s).is_valid(json.load(open(sys.argv[2]))) "
                                "else 1)\" '" +
                                schemaFile + "' '" + documentFile + "'");
    EXPECT_TRUE(status == 0 || said.empty()) << said << schema;
    return status == 0;
}

// Whether `document` validates against the XML Schema in `schema`; the
// schema itself must compile.
bool xmlValidates(const TempDir& folder, const std::string& schema, const std::string& document) {
    const std::string schemaFile = folder.write("check.xsd", schema);
    const std::string documentFile = folder.write("check.xml", document);
    auto [status, said] = shellCommand("xmllint --noout --schema '" + schemaFile + "' '" + documentFile + "'");
    EXPECT_EQ(said.find("failed to compile"), std::string::npos) << said << schema;
    EXPECT_EQ(said.find("parser error"), std::string::npos) << said << schema;
    return status == 0;
}

class Schemas : public GeneratedTargetTest {
  protected:
    // The schema of a stored set, as written to standard output; the same
    // bytes as from the definitions file.
    std::string schemaOf(const std::string& set, const std::string& file, const std::string& target,
                         std::vector<std::string> more = {}) {
        std::vector<std::string> arguments = {"-s", set, "--target", target};
        arguments.insert(arguments.end(), more.begin(), more.end());
        ProgramResult stored = runConnected("norvakgen", arguments);
        EXPECT_TRUE(stored.exitCode == 0 || stored.exitCode == 9) << stored.errors;
        arguments[0] = "-f";
        arguments[1] = file;
        ProgramResult fromFile = runProgram("norvakgen", arguments);
        EXPECT_EQ(fromFile.exitCode, stored.exitCode) << fromFile.errors;
        EXPECT_EQ(fromFile.output, stored.output);
        return stored.output;
    }
};

TEST_P(Schemas, TheShippedExamplesAndAGeneratedSetGiveSchemasTheToolsAccept) {
    TempDir folder;
    std::vector<std::pair<std::string, std::string>> files = {
        {"orders", sourcePath("examples/orders.xml")},
        {"payments", sourcePath("examples/payments.xml")},
        {"sensors", sourcePath("examples/sensors.xml")},
        {"generated", folder.write("generated.xml", generatedModel(48))},
    };
    for (const auto& [name, file] : files) {
        SCOPED_TRACE(name);
        const std::string set = "Sch_" + name;
        load(file, set);
        const std::string json = schemaOf(set, file, "json-schema");
        EXPECT_FALSE(jsonValidates(folder, json, "\"not an object\""));
        if (name == "payments") {
            ProgramResult none = runConnected("norvakgen", {"-s", set, "--target", "xsd"});
            EXPECT_EQ(none.exitCode, 8);
            EXPECT_NE(none.errors.find("*****Error - the message set has no XML tab: an XML Schema needs one"),
                      std::string::npos)
                << none.errors;
            continue;
        }
        const std::string xsd = schemaOf(set, file, "xsd");
        EXPECT_FALSE(xmlValidates(folder, xsd, "<NoSuchMessage/>"));
    }
}

const char* const sampleOrder = R"({
  "OrderNumber": 7, "OrderDate": "2026-01-02T03:04:05Z",
  "Customer_t": {"CustomerId": "C1", "CustomerName": "Ann", "Address_t": {"Street": "Main 1", "City": "Oslo",
                 "PostalCode": "0150"}},
  "Currency": "EUR",
  "OrderLine_t": [{"Sku": "A-1", "Quantity": 2, "UnitPrice": "1990"}]
})";

TEST_P(Schemas, SampleDocumentsValidateAndOneFaultIsRefused) {
    TempDir folder;
    const std::string file = sourcePath("examples/orders.xml");
    load(file, "Sch_orders");
    const std::string json = schemaOf("Sch_orders", file, "json-schema", {"-m", "PlaceOrder"});
    EXPECT_TRUE(jsonValidates(folder, json, sampleOrder));
    // Each fault alone: a price with decimals its CWF field (no virtual
    // decimal point) cannot hold, a number beyond 32 bits, a currency not
    // listed, no order line, a key of no member, a price as a JSON number.
    const std::pair<std::string, std::string> faults[] = {
        {"\"1990\"", "\"19.9\""},      {"\"OrderNumber\": 7", "\"OrderNumber\": 2147483648"},
        {"\"EUR\"", "\"NOK\""},           {"[{\"Sku\": \"A-1\", \"Quantity\": 2, \"UnitPrice\": \"1990\"}]", "[]"},
        {"\"Currency\"", "\"Money\""},    {"\"1990\"", "1990"},
    };
    for (const auto& [good, bad] : faults) {
        std::string document = sampleOrder;
        document.replace(document.find(good), good.size(), bad);
        EXPECT_FALSE(jsonValidates(folder, json, document)) << bad;
    }

    const std::string xsd = schemaOf("Sch_orders", file, "xsd");
    const std::string order =
        "<Orders><PlaceOrder OrderNumber=\"7\"><OrderDate>2026-01-02</OrderDate>"
        "<Customer_t><customerId>C1</customerId><CustomerName>Ann</CustomerName>"
        "<Address_t><Street>Main 1</Street><City>Oslo</City><PostalCode>0150</PostalCode></Address_t></Customer_t>"
        "<Currency>EUR</Currency><OrderLine_t><Sku>A-1</Sku><Quantity>2</Quantity><UnitPrice>1990</UnitPrice>"
        "</OrderLine_t></PlaceOrder></Orders>";
    EXPECT_TRUE(xmlValidates(folder, xsd, order));
    const std::pair<std::string, std::string> xmlFaults[] = {
        {"1990<", "19.9<"}, {"OrderNumber=\"7\"", ""}, {"EUR", "NOK"}, {"2</Quantity>", "99999</Quantity>"},
        {"<customerId>C1", "<CustomerId>C1"},
    };
    for (const auto& [good, bad] : xmlFaults) {
        std::string document = order;
        document.replace(document.find(good), good.size(), bad);
        if (bad == "<CustomerId>C1")
            document.replace(document.find("</customerId>"), 13, "</CustomerId>");
        EXPECT_FALSE(xmlValidates(folder, xsd, document)) << bad;
    }
}

TEST_P(Schemas, WhatASchemaCannotSayIsCountedAndTheDocumentHoldsIt) {
    TempDir folder;
    const std::string file = sourcePath("examples/sensors.xml");
    load(file, "Sch_sensors");
    // A decimal's least and most value: no pattern holds them.
    ProgramResult json = runConnected("norvakgen", {"-s", "Sch_sensors", "--target", "json-schema", "-o",
                                                    folder.path() + "/sensors.json"});
    EXPECT_EQ(json.exitCode, 9);
    EXPECT_EQ(json.output, "");
    EXPECT_NE(json.errors.find("*****Warning - reading.SN_humidity: a decimal with a least or most value, which a "
                               "pattern does not hold; left out"),
              std::string::npos)
        << json.errors;
    EXPECT_NE(json.errors.find("*****Warning - 1 field written as the nearest JSON Schema equivalent (exit code 9)"),
              std::string::npos);
    EXPECT_NE(readFile(folder.path() + "/sensors.json").find("\"$comment\": \"Not exact: reading.SN_humidity"),
              std::string::npos);

    ProgramResult document = runConnected("norvakgen", {"-s", "Sch_sensors", "--target", "xsd", "--format", "json"});
    EXPECT_EQ(document.exitCode, 0) << document.errors;
    const nlohmann::json parsed = nlohmann::json::parse(document.output);
    EXPECT_EQ(parsed["target"], "xsd");
    EXPECT_EQ(parsed["tab"], "WebXML");
    EXPECT_EQ(parsed["approximations"], nlohmann::json::array());
    const std::string xsd = parsed["schema"];
    for (const char* part : {"<xs:element name=\"Readings\">", "fixed=\"celsius\"", "<xs:attribute name=\"percent\"",
                             "<xs:attribute name=\"sensor\"", "maxOccurs=\"unbounded\"", "xs:base64Binary"})
        EXPECT_NE(xsd.find(part), std::string::npos) << part << "\n" << xsd;

    ProgramResult noTab = runConnected("norvakgen", {"-s", "Sch_sensors", "--target", "xsd", "--tab", "Radio"});
    EXPECT_EQ(noTab.exitCode, 8);
    EXPECT_NE(noTab.errors.find("*****Error - no XML tab Radio: the XML tabs are WebXML"), std::string::npos)
        << noTab.errors;
}

INSTANTIATE_TEST_SUITE_P(, Schemas, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test

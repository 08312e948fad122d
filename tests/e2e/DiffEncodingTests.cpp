// Tests of norvakdiff with texts the repository's encoding refuses.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

// norvakdiff and the encoding of the repository: PostgreSQL refuses bytes
// that are not valid in the database's encoding, so an import of a file with
// such texts fails; the comparison says so instead of claiming the import
// would apply the file. SQLite takes any bytes: nothing changes there.

namespace norvak::test {
namespace {

// "Größe" in ISO 8859-1: not UTF-8, which the test cluster's databases hold.
const std::string latin1Label{'G', 'r', '\xF6', '\xDF', 'e'};

class DiffEncoding : public OrdersTest {
  protected:
    std::string write(const std::string& name, const std::string& text) { return repo().folder().write(name, text); }
    ProgramResult diff(const std::string& file, std::vector<std::string> more = {}) {
        std::vector<std::string> arguments{"-s", "Orders", "-f", file};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return runConnected("norvakdiff", arguments);
    }
    // Every table an import writes, and the NEXT_ID of Orders, with the labels of the types.
    Rows everything() {
        Rows rows = state();
        for (const Row& row : repo().query("SELECT IDENTIFIER, NAME FROM M_TYPE ORDER BY IDENTIFIER"))
            rows.push_back(row);
        return rows;
    }
};

TEST_P(DiffEncoding, TextsTheRepositoryRefusesAreNotClaimedToApply) {
    ASSERT_EQ(load("<ZEPImport messageSet=\"Orders\"/>\n<Type ident=\"Plain\" name=\"plain\"/>\n").exitCode, 0);
    std::string file = write("latin1.xml", "<ZEPImport messageSet=\"Orders\"/>\n<Type ident=\"Plain\" "
                                           "name=\"plain\"/>\n<Type ident=\"Size\" name=\"" +
                                               latin1Label + "\"/>\n<Type ident=\"Weight\" name=\"Gewicht\"/>\n");
    const Rows before = everything();

    ProgramResult text = diff(file);
    ProgramResult json = diff(file, {"--format", "json"});
    EXPECT_EQ(everything(), before) << "the comparison writes nothing";
    EXPECT_EQ(text.exitCode, 1) << text.errors;
    EXPECT_EQ(json.exitCode, 1) << json.errors;
    nlohmann::json document = nlohmann::json::parse(json.output);
    const std::string warning =
        "*****Warning - 1 text of " + file +
        " is not valid in the repository's encoding (server UTF8, client UTF8) and would be refused by the database, "
        "so norvakload would refuse the file: \"Gr\\xF6\\xDFe\"\n";
    ProgramResult loaded = loadFile(file);

    if (GetParam() == Backend::postgres) {
        EXPECT_EQ(text.output, "+ type    Size    compatible\n"
                               "+ type    Weight  compatible\n"
                               "2 differences: 0 breaking, 2 compatible; norvakload would refuse the file over 1 "
                               "text not valid in the repository's encoding\n");
        EXPECT_NE(text.errors.find(warning), std::string::npos) << text.errors;
        ASSERT_EQ(document["warnings"].size(), 1u) << json.output;
        EXPECT_EQ(document["warnings"][0]["text"].get<std::string>() + "\n", warning.substr(5)) << json.output;
        EXPECT_EQ(document["summary"]["importRefused"], true);
        EXPECT_EQ(document["summary"]["appliedByImport"], 2);
        // And so it does: the database refuses the row, the import rolls back.
        EXPECT_EQ(loaded.exitCode, 114) << loaded.output;
        EXPECT_TRUE(contains(loaded, "SQLSTATE 22021")) << loaded.output;
        EXPECT_EQ(everything(), before);
    } else {
        EXPECT_EQ(text.output, "+ type    Size    compatible\n"
                               "+ type    Weight  compatible\n"
                               "2 differences: 0 breaking, 2 compatible; norvakload would apply 2 of them and keep "
                               "0 as stored\n");
        EXPECT_EQ(text.errors.find("*****Warning"), std::string::npos) << text.errors;
        EXPECT_EQ(document["summary"]["importRefused"], false);
        EXPECT_EQ(loaded.exitCode, 0) << loaded.output;
        EXPECT_EQ(repo().query("SELECT NAME FROM M_TYPE WHERE IDENTIFIER = 'Size'"), (Rows{{latin1Label}}));
    }
}

TEST_P(DiffEncoding, OverRefusedDifferencesAndTextsBoth) {
    ASSERT_EQ(load("<ZEPImport messageSet=\"Orders\"/>\n<Type ident=\"Plain\" composition=\"sequence\"/>\n").exitCode,
              0);
    // Another composition of a stored type: refused by the import whatever the encoding.
    std::string file = write("both.xml", "<ZEPImport messageSet=\"Orders\"/>\n<Type ident=\"Plain\" "
                                         "composition=\"choice\"/>\n<Type ident=\"Size\" name=\"" +
                                             latin1Label + "\"/>\n");
    const Rows before = everything();
    ProgramResult text = diff(file);
    EXPECT_EQ(everything(), before);
    std::string last = text.lines().empty() ? std::string() : text.lines().back();
    if (GetParam() == Backend::postgres)
        EXPECT_EQ(last, "2 differences: 1 breaking, 1 compatible; norvakload would refuse the file over 1 of them "
                        "and over 1 text not valid in the repository's encoding")
            << text.output;
    else
        EXPECT_EQ(last, "2 differences: 1 breaking, 1 compatible; norvakload would refuse the file over 1 of them")
            << text.output;
}

TEST_P(DiffEncoding, ALabelTheImportKeepsAsStoredIsNotSentAndNotCounted) {
    ASSERT_EQ(load("<ZEPImport messageSet=\"Orders\"/>\n<Type ident=\"Size\" name=\"Groesse\"/>\n").exitCode, 0);
    std::string file =
        write("kept.xml", "<ZEPImport messageSet=\"Orders\"/>\n<Type ident=\"Size\" name=\"" + latin1Label + "\"/>\n");
    const Rows before = everything();
    ProgramResult text = diff(file);
    EXPECT_EQ(text.exitCode, 1) << text.errors;
    EXPECT_EQ(text.errors.find("*****Warning"), std::string::npos) << text.errors;
    EXPECT_EQ(text.lines().back(),
              "1 difference: 0 breaking, 1 compatible; norvakload would apply 0 of them and keep 1 as stored");
    // The import keeps the stored label and writes nothing of the file's.
    ProgramResult loaded = loadFile(file);
    EXPECT_EQ(loaded.exitCode, 0) << loaded.output;
    EXPECT_EQ(everything(), before);
}

INSTANTIATE_TEST_SUITE_P(, DiffEncoding, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test

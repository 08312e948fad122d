// Tests of an import's rows sent in batches and of the look-ups while writing.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

namespace norvak::test {
namespace {

const std::string successLine = "Import was successful - please restart the norvakhub";

// An import's rows go to the database in batches, and the look-ups while
// writing read the message set once: a refused row is still found and
// reported as its own insert reports it, and what the run wrote is found
// again as a query of the message set would find it.
class ImportBatches : public OrdersTest {
  protected:
    Rows q(const std::string& sql) { return repo().query(sql); }
    const Rows emptyState{{"0", "0", "0", "0", "0", "0", "0", "0", "3", "100000"}};

    // The database refuses the value row of that text, whichever statement brings it.
    void refuseValue(const std::string& valueText) {
        if (GetParam() == Backend::sqlite) {
            repo().execute("CREATE TRIGGER refuse BEFORE INSERT ON M_VALUE WHEN NEW.VALUE_STRING = '" + valueText +
                           "' BEGIN SELECT RAISE(ABORT, 'refused'); END");
        } else {
            repo().execute("CREATE FUNCTION refuse() RETURNS trigger AS $$ BEGIN IF NEW.VALUE_STRING = '" + valueText +
                           "' THEN RAISE EXCEPTION 'refused'; END IF; RETURN NEW; END $$ LANGUAGE plpgsql");
            repo().execute("CREATE TRIGGER refuse BEFORE INSERT ON M_VALUE FOR EACH ROW EXECUTE FUNCTION refuse()");
        }
    }
    void acceptValues() {
        if (GetParam() == Backend::sqlite) {
            repo().execute("DROP TRIGGER refuse");
        } else {
            repo().execute("DROP TRIGGER refuse ON M_VALUE");
            repo().execute("DROP FUNCTION refuse()");
        }
    }
};

// One type of `count` string elements, element i with the value "v<i>".
std::string elementsWithValues(int count) {
    std::ostringstream text;
    text << "<Type ident=\"t\" composition=\"sequence\">\n";
    for (int i = 0; i < count; ++i)
        text << "  <Element ident=\"e" << i << "\" type=\"string\"><Value ident=\"val" << i
             << "\" type=\"string\" value=\"v" << i << "\" role=\"ENUM\"/></Element>\n";
    text << "</Type>\n";
    return text.str();
}

// Turns the fixture's export-and-import-again check off while it lives.
class RoundTripCheckOff {
  public:
    RoundTripCheckOff() {
        const char* setting = std::getenv("NORVAK_ROUND_TRIP");
        if (setting != nullptr)
            saved_ = setting;
        setenv("NORVAK_ROUND_TRIP", "0", 1);
    }
    ~RoundTripCheckOff() {
        if (saved_)
            setenv("NORVAK_ROUND_TRIP", saved_->c_str(), 1);
        else
            unsetenv("NORVAK_ROUND_TRIP");
    }
    RoundTripCheckOff(const RoundTripCheckOff&) = delete;
    RoundTripCheckOff& operator=(const RoundTripCheckOff&) = delete;

  private:
    std::optional<std::string> saved_;
};

int databaseErrorLines(const ProgramResult& result) {
    int count = 0;
    for (std::size_t at = result.output.find("*****Database error"); at != std::string::npos;
         at = result.output.find("*****Database error", at + 1))
        ++count;
    return count;
}

TEST_P(ImportBatches, ARowRefusedInsideABatchIsReportedAsItsOwnInsertAndTheRunRollsBack) {
    // 400 values: the value rows go in full batches and a last partial one.
    const std::string definitions = elementsWithValues(400);
    for (const char* refused : {"v0", "v250", "v399"}) {
        SCOPED_TRACE(refused);
        refuseValue(refused);
        ProgramResult result = load(definitions);
        EXPECT_EQ(result.exitCode, 114) << result.output;
        // The refused row alone is reported, under the routine and label of
        // its insert; the progress lines of its batch may come before it.
        EXPECT_EQ(databaseErrorLines(result), 1) << result.output;
        EXPECT_TRUE(contains(result, "*****Database error -1 during SQLExecute in routine createValue SQLSTATE "))
            << result.output;
        EXPECT_TRUE(hasLinesInOrder(result, {"Created value val0", "***** Errors were detected updating the ZEP database",
                                             "***** Database changes have been rolled back"}))
            << result.output;
        std::size_t error = result.output.find("*****Database error");
        EXPECT_LT(error, result.output.find("***** Errors were detected updating the ZEP database")) << result.output;
        EXPECT_FALSE(hasLine(result, successLine));
        EXPECT_FALSE(contains(result, "updated NEXT_ID entry"));
        EXPECT_EQ(state(), emptyState);
        acceptValues();
    }
    // The same file goes in whole once nothing is refused.
    ProgramResult accepted = load(definitions);
    ASSERT_EQ(accepted.exitCode, 0) << accepted.output;
    EXPECT_EQ(q("SELECT COUNT(*), MIN(ID_VALUE), MAX(ID_VALUE) FROM M_VALUE"), (Rows{{"400", "100801", "101200"}}));
    EXPECT_EQ(q("SELECT VALUE_STRING FROM M_VALUE WHERE ID_VALUE = 101051"), (Rows{{"v250"}}));
}

// A type written earlier in the run is found again under the name a later
// type asks for; a value written earlier is found again for a text that
// differs only in trailing blanks. A report-only run writes nothing, so it
// finds neither.
TEST_P(ImportBatches, LookUpsFindTheRowsTheRunWroteEarlier) {
    // The second type's members go to the first: the message set is not
    // one an export describes, so the check that it comes back whole is off.
    RoundTripCheckOff off;
    const std::string definitions = R"(<Type ident="pay_TYPE" composition="sequence">
  <Element ident="amount" type="string"><Value ident="v1" type="string" value="A  " role="ENUM"/></Element>
</Type>
<Type ident="later" name="pay" composition="sequence">
  <Element ident="code" type="string"><Value ident="v2" type="string" value="A" role="ENUM"/></Element>
</Type>
)";
    ProgramResult reportOnly = load(definitions, {"-v", "-r"});
    ASSERT_EQ(reportOnly.exitCode, 0) << reportOnly.output;
    EXPECT_TRUE(hasLinesInOrder(reportOnly, {"Created type pay_TYPE id 100000 type # 1", "Created type pay id 100001 type # 2",
                                             "values reused from existing entries in MessageSet   - 0"}))
        << reportOnly.output;
    EXPECT_EQ(state(), emptyState);

    ProgramResult result = load(definitions, {"-v"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLinesInOrder(result, {"Created type pay_TYPE id 100000 type # 1",
                                         "Type pay zepId 100000 found in database, reused",
                                         "Created value item v1 id 100005 value # 1",
                                         "values reused from existing entries in MessageSet   - 1", successLine}))
        << result.output;
    EXPECT_EQ(q("SELECT ID_VALUE, IDENTIFIER FROM M_TYPE"), (Rows{{"100000", "pay_TYPE"}}));
    EXPECT_EQ(q("SELECT ID_VALUE, VALUE_STRING FROM M_VALUE"), (Rows{{"100005", "A  "}}));
    EXPECT_EQ(q("SELECT PARENT_ID, VALUE_ID FROM VALUE_MEMBER ORDER BY PARENT_ID"),
              (Rows{{"100001", "100005"}, {"100002", "100005"}}));
}

INSTANTIATE_TEST_SUITE_P(, ImportBatches, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test

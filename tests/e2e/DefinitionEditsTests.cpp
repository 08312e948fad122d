// Tests of the edited definitions files: norvakload takes them, and norvakdiff finds every kind of change in them.
#include "e2e/DefinitionEdits.h"
#include "e2e/GeneratedModels.h"
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>
#include <string>
#include <utility>

// The pairs of files the tests of norvakapply take: a generated file and the
// same with random edits. Each edited file must be one the import takes into
// an empty message set, and its differences from the generated file must
// show every kind of change, so that a tool that makes a stored set match a
// file meets each of them.

namespace norvak::test {
namespace {

constexpr int elements = 1200;
constexpr int edits = 150;
constexpr unsigned seeds[] = {1, 7, 2026};

// What the differences of a comparison hold: kinds and changes, each field
// as "kind field", and the kinds of items added or removed as "change kind".
struct Seen {
    std::set<std::string> kinds;
    std::set<std::string> changes;
    std::set<std::string> fields;
    std::set<std::string> addedOrRemoved;

    explicit Seen(const nlohmann::json& differences) {
        for (const nlohmann::json& d : differences) {
            const std::string kind = d["kind"];
            const std::string change = d["change"];
            kinds.insert(kind);
            changes.insert(change);
            if (d["field"].is_string())
                fields.insert(kind + " " + d["field"].get<std::string>());
            else
                addedOrRemoved.insert(change + " " + kind);
        }
    }

    // Whether a field of `kind` ends with `field` (the properties of a
    // format are named after its tab).
    bool hasField(const std::string& kind, const std::string& field) const {
        for (const std::string& seen : fields) {
            if (seen.starts_with(kind + " ") && seen.ends_with(" " + field))
                return true;
        }
        return false;
    }
};

class DefinitionEdits : public RepositoryTest {
  protected:
    ProgramResult load(const std::string& set, const std::string& text) {
        createMessageSet(set);
        return runConnected("norvakload", {"-f", repo().folder().write(set + ".xml", text), "-s", set});
    }
};

TEST(DefinitionEditsFile, TheSameArgumentsGiveTheSameFileAndOtherSeedsAnother) {
    const std::string edited = editedModel(240, 5, 40);
    EXPECT_EQ(editedModel(240, 5, 40), edited);
    EXPECT_NE(editedModel(240, 6, 40), edited);
    EXPECT_NE(generatedModel(240), edited);
    EXPECT_EQ(editedModel(240, 5, 0), generatedModel(240));
}

TEST_P(DefinitionEdits, AnEditedFileLoadsIntoAnEmptySetAndDiffersInEveryKindOfChange) {
    ProgramResult original = load("Original", generatedModel(elements));
    ASSERT_EQ(original.exitCode, 0) << original.output;
    for (unsigned seed : seeds) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const std::string edited = editedModel(elements, seed, edits);
        const std::string set = "Edited" + std::to_string(seed);
        ProgramResult loaded = load(set, edited);
        ASSERT_EQ(loaded.exitCode, 0) << loaded.output;

        ProgramResult compared = runConnected(
            "norvakdiff", {"-s", "Original", "-f", repo().folder().path() + "/" + set + ".xml", "--format", "json"});
        ASSERT_EQ(compared.exitCode, 2) << compared.errors;
        const Seen seen(nlohmann::json::parse(compared.output)["differences"]);
        EXPECT_EQ(seen.kinds, (std::set<std::string>{"element", "member", "message", "tab", "type", "value"}));
        EXPECT_EQ(seen.changes, (std::set<std::string>{"added", "changed", "removed"}));
        for (const char* kind : {"element", "member", "message", "value"}) {
            EXPECT_EQ(seen.addedOrRemoved.count(std::string("added ") + kind), 1u) << kind;
            EXPECT_EQ(seen.addedOrRemoved.count(std::string("removed ") + kind), 1u) << kind;
        }
        const std::pair<const char*, const char*> fields[] = {
            {"element", "Length"},          {"element", "Physical Type"},      {"element", "Signed"},
            {"element", "Padding Character"}, {"element", "Justification"},    {"element", "TDS Tag"},
            {"element", "XML Name"},        {"member", "Length"},              {"member", "Repeat Count"},
            {"member", "minOccurs"},        {"member", "maxOccurs"},           {"member", "position"},
            {"type", "composition"},        {"type", "content"}};
        for (const auto& [kind, field] : fields)
            EXPECT_TRUE(seen.hasField(kind, field)) << kind << " " << field;
        bool named = false;
        bool tabSetting = false;
        for (const std::string& field : seen.fields) {
            named = named || field.ends_with(" name");
            tabSetting = tabSetting || field.starts_with("tab ");
        }
        EXPECT_TRUE(named);
        EXPECT_TRUE(tabSetting);
    }
}

INSTANTIATE_TEST_SUITE_P(, DefinitionEdits, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test

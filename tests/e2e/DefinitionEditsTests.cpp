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
// From 40 edits on, every kind of edit is made at least once.
constexpr std::pair<unsigned, int> seedsAndEdits[] = {{1, 150}, {7, 150}, {2026, 40}};

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

    // Whether a field of `kind` (any kind when empty) ends with `field` (any
    // field when empty): the properties of a format are named after its tab.
    bool has(const std::string& kind, const std::string& field) const {
        for (const std::string& seen : fields) {
            if ((kind.empty() || seen.starts_with(kind + " ")) && (field.empty() || seen.ends_with(" " + field)))
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

// The kinds and changes that show that every kind of edit was made.
void expectEveryKindOfItemAndChange(const Seen& seen) {
    EXPECT_EQ(seen.kinds, (std::set<std::string>{"element", "member", "message", "tab", "type", "value"}));
    EXPECT_EQ(seen.changes, (std::set<std::string>{"added", "changed", "removed"}));
    for (const std::string kind : {"element", "member", "message", "value"}) {
        EXPECT_EQ(seen.addedOrRemoved.count("added " + kind), 1u) << kind;
        EXPECT_EQ(seen.addedOrRemoved.count("removed " + kind), 1u) << kind;
    }
}

// The fields that show that every kind of edit of a setting was made.
void expectEveryKindOfField(const Seen& seen) {
    // Element properties show on the element, or on the member that defines
    // it when a use by reference sets the same property.
    const std::pair<const char*, const char*> fields[] = {
        {"", "Length"},         {"", "Physical Type"},      {"", "Signed"},          {"", "Padding Character"},
        {"", "Justification"},  {"element", "TDS Tag"},     {"element", "XML Name"}, {"", "name"},
        {"member", "Length"},   {"member", "Repeat Count"}, {"member", "minOccurs"}, {"member", "maxOccurs"},
        {"member", "position"}, {"type", "composition"},    {"type", "content"},     {"tab", ""}};
    for (const auto& [kind, field] : fields)
        EXPECT_TRUE(seen.has(kind, field)) << kind << " " << field;
}

TEST_P(DefinitionEdits, AnEditedFileLoadsIntoAnEmptySetAndDiffersInEveryKindOfChange) {
    ProgramResult original = load("Original", generatedModel(elements));
    ASSERT_EQ(original.exitCode, 0) << original.output;
    for (const auto& [seed, edits] : seedsAndEdits) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(edits) + " edits");
        const std::string set = "Edited" + std::to_string(seed);
        ProgramResult loaded = load(set, editedModel(elements, seed, edits));
        ASSERT_EQ(loaded.exitCode, 0) << loaded.output;

        ProgramResult compared = runConnected(
            "norvakdiff", {"-s", "Original", "-f", repo().folder().path() + "/" + set + ".xml", "--format", "json"});
        ASSERT_EQ(compared.exitCode, 2) << compared.errors;
        const Seen seen(nlohmann::json::parse(compared.output)["differences"]);
        expectEveryKindOfItemAndChange(seen);
        expectEveryKindOfField(seen);
    }
}

INSTANTIATE_TEST_SUITE_P(, DefinitionEdits, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test

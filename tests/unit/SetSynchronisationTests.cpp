// Tests of the rows that make a stored message set hold what a definitions text makes.
#include "import/driver/ScratchImport.h"
#include "import/model/AttributeRows.h"
#include "import/model/ItemTables.h"
#include "import/model/LanguageNames.h"
#include "support/RepositoryCodes.h"
#include "tools/apply/SetSynchronisation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

// The stored side is a text imported into a message set held in memory with
// the uuid, C and COBOL bindings; the file's side the other text imported
// into a set that starts from the stored one's plugin members, both read
// with every row, as norvakapply reads them.

namespace norvak {
namespace {

const std::string stored = "<CWFTab name=\"Bin\" ident=\"CWF1\"/>\n"
                           "<Element ident=\"Name\" name=\"Name\" type=\"string\" length=\"40\" physicalType=\"fixed\"/>\n"
                           "<Element ident=\"Count\" name=\"Count\" type=\"integer\" length=\"2\"/>\n"
                           "<Type ident=\"Rec\" composition=\"sequence\">\n"
                           "  <Element ref=\"Count\"/>\n  <Element ref=\"Name\"/>\n</Type>\n"
                           "<Message ident=\"Msg\" name=\"Msg\" type=\"Rec\"/>\n"
                           "<Message ident=\"Old\" name=\"Old\" type=\"Rec\"/>\n";

// The same with Name 50 long, a new element Note whose length Count gives,
// and the message Old dropped.
const std::string changed = "<CWFTab name=\"Bin\" ident=\"CWF1\"/>\n"
                            "<Element ident=\"Name\" name=\"Name\" type=\"string\" length=\"50\" physicalType=\"fixed\"/>\n"
                            "<Element ident=\"Count\" name=\"Count\" type=\"integer\" length=\"2\"/>\n"
                            "<Type ident=\"Rec\" composition=\"sequence\">\n"
                            "  <Element ref=\"Count\"/>\n  <Element ref=\"Name\"/>\n"
                            "  <Element ident=\"Note\" name=\"Note\" type=\"string\" lengthRef=\"Count\"/>\n</Type>\n"
                            "<Message ident=\"Msg\" name=\"Msg\" type=\"Rec\"/>\n";

StoredMessageSet bindings() {
    StoredMessageSet set;
    set.key = 100;
    int id = 0;
    for (auto [key, name] : {std::pair{pluginUuid, "WebDav"}, {pluginC, "C Language"}, {pluginCobol, "COBOL Language"}}) {
        StoredPluginMember& member = set.pluginMembers.emplace_back();
        member.id = member.sequence = ++id;
        member.pluginKey = key;
        member.name = name;
        member.active = 1;
        member.lockDate = "";
    }
    return set;
}

struct Sides {
    ScratchImport stored, file;
};

Sides imported(const std::string& storedText, const std::string& fileText) {
    StoredMessageSet start = bindings();
    Sides sides{importIntoScratch(storedText, "stored.xml", "Set", &start, true), {}};
    EXPECT_TRUE(sides.stored.imported) << sides.stored.report;
    sides.file = importIntoScratch(fileText, "file.xml", "Set", &sides.stored.rows, true);
    EXPECT_TRUE(sides.file.imported) << sides.file.report;
    return sides;
}

template <class Rows> std::int32_t idOf(const Rows& rows, const std::string& identifier) {
    for (const auto& row : rows) {
        if (row.identifier == identifier)
            return row.id;
    }
    return 0;
}

template <class Rows> const auto* named(const Rows& rows, std::string_view name, std::int32_t owner) {
    auto found = std::find_if(rows.begin(), rows.end(), [&](const auto& row) {
        return row.name == name && row.ownerId == owner;
    });
    return found == rows.end() ? nullptr : &*found;
}

bool has(const std::vector<std::int32_t>& ids, std::int32_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

TEST(SetSynchronisation, PairedRowsKeepTheirIdsAndNewOnesTakeIdsFromNextId) {
    Sides sides = imported(stored, changed);
    const StoredMessageSet& s = sides.stored.rows;
    SetChanges changes = synchronisedRows(s, sides.file.rows, 500000, true);

    // The new element, its member and its value-less rows: ids from NEXT_ID on.
    ASSERT_EQ(changes.elements.inserts.size(), 1u);
    EXPECT_EQ(changes.elements.inserts[0].identifier, "Note");
    EXPECT_GE(changes.elements.inserts[0].id, 500000);
    ASSERT_EQ(changes.typeMembers.inserts.size(), 1u);
    EXPECT_EQ(changes.typeMembers.inserts[0].typeId, idOf(s.types, "Rec"));
    EXPECT_EQ(changes.typeMembers.inserts[0].childId, changes.elements.inserts[0].id);
    EXPECT_TRUE(changes.nextIdChanged);
    EXPECT_GT(changes.nextId, changes.typeMembers.inserts[0].id);
    // Name's length is one attribute row of its use in Rec, updated in place; no item row changes.
    EXPECT_TRUE(changes.elements.updates.empty());
    EXPECT_TRUE(changes.types.updates.empty() && changes.types.inserts.empty());
    EXPECT_TRUE(changes.attributes.updates.empty());
    ASSERT_EQ(changes.memberAttributes.updates.size(), 1u);
    const StoredAttribute& length = changes.memberAttributes.updates[0];
    EXPECT_EQ(length.value, "50");
    auto member = std::find_if(s.typeMembers.begin(), s.typeMembers.end(),
                               [&](const StoredTypeMember& m) { return m.id == length.memberId; });
    ASSERT_NE(member, s.typeMembers.end());
    EXPECT_EQ(member->childId, idOf(s.elements, "Name"));

    // A NEXT_ID below the stored ids does not give an id twice.
    SetChanges low = synchronisedRows(s, sides.file.rows, 1, true);
    ASSERT_EQ(low.elements.inserts.size(), 1u);
    EXPECT_GT(low.elements.inserts[0].id, idOf(s.messages, "Old"));
}

TEST(SetSynchronisation, ItemsOnlyTheStoredSetHoldsStayWholeUnlessRemovalsAreAllowed) {
    Sides sides = imported(stored, changed);
    const StoredMessageSet& s = sides.stored.rows;
    const std::int32_t old = idOf(s.messages, "Old");
    std::size_t ownRows = 0;
    for (const StoredAttribute& row : s.attributes)
        ownRows += row.ownerId == old ? 1 : 0;
    ASSERT_GT(ownRows, 0u);

    SetChanges keeping = synchronisedRows(s, sides.file.rows, 500000, false);
    EXPECT_FALSE(has(keeping.messages.deletes, old));
    for (const StoredAttribute& row : s.attributes)
        EXPECT_FALSE(row.ownerId == old && has(keeping.attributes.deletes, row.id)) << "attribute row " << row.id;

    SetChanges removing = synchronisedRows(s, sides.file.rows, 500000, true);
    EXPECT_TRUE(has(removing.messages.deletes, old));
    std::size_t deleted = 0;
    for (const StoredAttribute& row : s.attributes)
        deleted += row.ownerId == old && has(removing.attributes.deletes, row.id) ? 1 : 0;
    EXPECT_EQ(deleted, ownRows);

    // A row whose owner the set does not hold is no definition's: it stays.
    StoredMessageSet withOrphan = s;
    StoredAttribute& orphan = withOrphan.attributes.emplace_back(withOrphan.attributes.front());
    orphan.id = 900000;
    orphan.ownerId = 777777;
    orphan.ownerClass = classElement;
    EXPECT_FALSE(has(synchronisedRows(withOrphan, sides.file.rows, 500000, true).attributes.deletes, 900000));
}

TEST(SetSynchronisation, UuidsStayAndNamesMadeOfAnIdAreMadeForTheIdsTheRowsEndWith) {
    Sides sides = imported(stored, changed);
    const StoredMessageSet& s = sides.stored.rows;
    const StoredMessageSet& f = sides.file.rows;
    SetChanges changes = synchronisedRows(s, f, 500000, true);

    // The file's side made other uuids for the same items; the stored ones stay.
    const std::int32_t name = idOf(s.elements, "Name");
    const StoredAttribute* storedUuid = named(s.attributes, rows::itemUuid.name, name);
    const StoredAttribute* fileUuid = named(f.attributes, rows::itemUuid.name, idOf(f.elements, "Name"));
    ASSERT_TRUE(storedUuid != nullptr && fileUuid != nullptr);
    ASSERT_NE(storedUuid->value, fileUuid->value);
    for (const StoredAttribute& row : changes.attributes.updates)
        EXPECT_NE(row.name, rows::itemUuid.name) << "a uuid of an item on both sides is kept";

    // The new element's language names carry its own ids.
    const std::int32_t note = changes.elements.inserts.at(0).id;
    const StoredAttribute* cName = named(changes.attributes.inserts, rows::itemCName.name, note);
    const StoredAttribute* cobolName = named(changes.attributes.inserts, rows::itemCobolName.name, note);
    ASSERT_TRUE(cName != nullptr && cobolName != nullptr);
    EXPECT_EQ(cName->value, cNameValue("Note", cName->id, repositoryTextWidth));
    EXPECT_EQ(cobolName->value, cobolNameValue("Note", note));
    EXPECT_NE(cobolName->value, named(f.attributes, rows::itemCobolName.name, idOf(f.elements, "Note"))->value)
        << "the file's side made it of another id";

    // Its length reference names the stored element.
    const StoredTypeMember& member = changes.typeMembers.inserts.at(0);
    auto reference = std::find_if(changes.memberAttributes.inserts.begin(), changes.memberAttributes.inserts.end(),
                                  [&](const StoredAttribute& a) {
                                      return a.memberId == member.id && a.type == elementReferenceType;
                                  });
    ASSERT_NE(reference, changes.memberAttributes.inserts.end());
    EXPECT_EQ(reference->value, std::to_string(idOf(s.elements, "Count")));
}

TEST(SetSynchronisation, TheSameTextChangesNothing) {
    Sides sides = imported(stored, stored);
    SetChanges changes = synchronisedRows(sides.stored.rows, sides.file.rows, 500000, true);
    EXPECT_EQ(changes.size(), 0u);
    EXPECT_FALSE(changes.nextIdChanged);
}

} // namespace
} // namespace norvak

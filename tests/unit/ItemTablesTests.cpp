// Tests of the item tables: finding, adding, growing and linking entries.
#include "unit/TestRun.h"

#include "import/model/LanguageNames.h"
#include "import/reader/ImportOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace norvak::test {
namespace {

using Ints = std::vector<int>;

TEST(ItemTables, FindOrAddReturnsTheFirstEntryUnchanged) {
    TestRun t;
    int a = insertName(t.run, t.run, "A"), b = insertName(t.run, t.run, "B"), l1 = insertName(t.run, t.run, "L1"),
        l2 = insertName(t.run, t.run, "L2");
    EXPECT_EQ((Ints{createElementEntry(t.run, t.run, a, l1), createElementEntry(t.run, t.run, b, b),
                    createElementEntry(t.run, t.run, a, l2), t.run.elements.count(), t.run.elements[1].label}),
              (Ints{1, 2, 1, 2, l1}));
    EXPECT_EQ((Ints{createMessageEntry(t.run, t.run, a, l1), createMessageEntry(t.run, t.run, a, l2),
                    t.run.messages[1].label}),
              (Ints{1, 1, l1}));
    EXPECT_EQ(createTypeEntry(t.run, t.run, a, l1, 50106, 6, 2), 1);
    EXPECT_EQ(createTypeEntry(t.run, t.run, a, l2, 0, 2, 1), 1);
    const TypeEntry& type = t.run.types[1];
    EXPECT_EQ((Ints{type.label, type.baseType, type.composition, type.typeContent}), (Ints{l1, 50106, 6, 2}));
    // insertNewType always adds; look-ups still find the earliest entry with the identifier.
    EXPECT_EQ((Ints{insertNewType(t.run, t.run, a, l2, 2, 1, 0), insertNewType(t.run, t.run, b, b, 5, 0, 0),
                    createTypeEntry(t.run, t.run, a, a, 0, 0, 0), createTypeEntry(t.run, t.run, b, b, 0, 0, 0)}),
              (Ints{2, 3, 1, 3}));
    EXPECT_EQ(t.output(), "");
}

TEST(ItemTables, FullTablesGrowAndKeepEveryEntryWithItsNumber) {
    TestRun t;
    for (int i = 1; i <= 8193; ++i) {
        int ident = insertName(t.run, t.run, "E" + std::to_string(i));
        ASSERT_EQ(createElementEntry(t.run, t.run, ident, ident), i);
        t.run.elements[i].logicalType = i;
        ASSERT_EQ(t.run.elements.capacity(), i <= 8192 ? 8192 : 16384);
    }
    for (int i = 1; i <= 8193; ++i)
        ASSERT_EQ(t.text(t.run.elements[i].ident) + std::to_string(t.run.elements[i].logicalType),
                  "E" + std::to_string(i) + std::to_string(i));
    EXPECT_EQ(createElementEntry(t.run, t.run, insertName(t.run, t.run, "E8192"), 0), 8192);
    for (int i = 1; i <= 257; ++i) {
        int ident = insertName(t.run, t.run, "M" + std::to_string(i));
        ASSERT_EQ(createMessageEntry(t.run, t.run, ident, ident), i);
    }
    EXPECT_EQ(t.text(t.run.messages[257].label), "M257");
    EXPECT_EQ(createMessageEntry(t.run, t.run, insertName(t.run, t.run, "M256"), 0), 256);
    EXPECT_EQ(t.output(), "");
    EXPECT_EQ(t.run.errSw, 0);
}

TEST(ItemTables, AttributeWithoutValueIsSkippedAndAUseWithoutRoleIsReportedButKept) {
    TestRun t;
    t.run.traceSw = 1;
    createAttrEntry(t.run, t.run, 0, 1, 103, 27, 2);
    createAttrEntry(t.run, t.run, -1, 1, 103, 27, 2);
    EXPECT_EQ(t.run.attributes.count(), 0);
    EXPECT_EQ(t.output(), "");
    t.run.traceSw = 0;
    createValueEntry(t.run, t.run, insertName(t.run, t.run, "Colour"), 0, 50105);
    EXPECT_EQ(createValueMemberEntry(t.run, t.run, 1, 4, 0, 0), 1);
    EXPECT_EQ(createValueMemberEntry(t.run, t.run, 0, 4, insertName(t.run, t.run, "Shade"), 0), 2);
    EXPECT_EQ(t.run.valueMembers[2].refName, insertName(t.run, t.run, "Shade"));
    EXPECT_EQ(t.run.errSw, 1);
    EXPECT_EQ(t.output(), "*****Error - role is required for all uses of a value Colour\n"
                          "*****Error - role is required for all uses of a value Shade\n");
}

TEST(ItemTables, TypeMembersFormADoublyLinkedListPerType) {
    TestRun t;
    int owner = createTypeEntry(t.run, t.run, insertName(t.run, t.run, "Owner"), 0, 0, 6, 0);
    int other = createTypeEntry(t.run, t.run, insertName(t.run, t.run, "Other"), 0, 0, 6, 0);
    int ref = insertName(t.run, t.run, "Referenced");
    EXPECT_EQ((Ints{createTypeMemberEntry(t.run, t.run, 0, 11, 2, owner),
                    createTypeMemberEntry(t.run, t.run, 0, 12, 2, other),
                    createTypeMemberEntry(t.run, t.run, 0, 21, 4, owner),
                    createTypeMemberEntry(t.run, t.run, ref, 0, 8, owner),
                    createTypeMemberEntry(t.run, t.run, 0, 99, 16, other)}),
              (Ints{1, 2, 3, 4, 5}));
    auto row = [&t](int id) {
        const TypeMemberEntry& m = t.run.typeMembers[id];
        return Ints{m.ownerTypeId, m.prev, m.next, m.elemId, m.mesgId, m.typeId, m.itemType, m.ident, m.minOcc};
    };
    EXPECT_EQ(row(1), (Ints{owner, 0, 3, 11, 0, 0, 2, 0, 0}));
    EXPECT_EQ(row(3), (Ints{owner, 1, 4, 0, 21, 0, 4, 0, 0}));
    EXPECT_EQ(row(4), (Ints{owner, 3, 0, 0, 0, 0, 8, ref, 0}));
    EXPECT_EQ(row(2), (Ints{other, 0, 5, 12, 0, 0, 2, 0, 0}));
    EXPECT_EQ(row(5), (Ints{other, 2, 0, 0, 0, 0, 16, 0, 0})); // another item type keeps no id
    EXPECT_EQ((Ints{t.run.types[owner].firstMember, t.run.types[owner].lastMember, t.run.types[other].firstMember,
                    t.run.types[other].lastMember}),
              (Ints{1, 4, 2, 5}));
}

TEST(ItemTables, TraceLinesOfTheEntryRoutines) {
    TestRun t;
    int e = insertName(t.run, t.run, "Elem"), l = insertName(t.run, t.run, "Lab"), x = insertName(t.run, t.run, "9");
    t.run.traceSw = 1;
    createElementEntry(t.run, t.run, e, l);
    createMessageEntry(t.run, t.run, e, l);
    createTypeEntry(t.run, t.run, e, l, 50106, 6, 3);
    createTypeEntry(t.run, t.run, e, l, 50106, 6, 3);
    createValueEntry(t.run, t.run, e, l, 50224);
    createValueMemberEntry(t.run, t.run, 1, 1, 0, 2);
    createAttrEntry(t.run, t.run, x, 1, 104, 24, 2);
    createTypeMemberEntry(t.run, t.run, e, 0, 8, 1);
    EXPECT_EQ(
        t.output(),
        "==> createElementEntry: identifier Elem\n<== createElementEntry returned elemId 1 for Elem\n"
        "==> createMessageEntry: identifier Elem\n<== createMessageEntry returned mesgId 1 for Elem\n"
        "==> createTypeEntry: Elem composition 6, typeContent 3, baseType 50106\n"
        "==> insertNewType Lab, composition 6 typeContent 3\n<== insertNewType returned typeId 1\n"
        "<== createTypeEntry returned 1\n"
        "==> createTypeEntry: Elem composition 6, typeContent 3, baseType 50106\n<== createTypeEntry returned 1\n"
        "==> createValueEntry: Elem dataType 50224\n<== createValueEntry returned 1\n"
        "==> createValueMemberEntry: valueId 1, elemId 1, role 2\n<== createValueMemberEntry returned 1\n"
        "==> createAttrEntry: typeId 1 class 104 attrKeyType 24 attrValue 9\n<== createAttrEntry returned attrId 1\n"
        "==> createTypeMemberEntry: typeId 1 itemType 8 itemId 0 ident Elem\n"
        "<== createTypeMemberEntry returned typeMemberId 1\n");
}

// True when every byte of the entry is zero.
template <class Entry> bool allZero(const Entry& entry) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&entry);
    return std::all_of(bytes, bytes + sizeof(Entry), [](unsigned char b) { return b == 0; });
}

// Fills a table to four times the capacity it starts with, holding a
// reference to its first entry from before the first enlargement, and writes
// and reads through that reference afterwards. Every new entry must come zero
// and numbered in turn; the entries in use are then overwritten with other
// bytes, which must reach neither entry 0 nor the entries added later. A
// keyed table must still find the first of two entries with one identifier.
template <class Table, class Entry>
void growHoldingAReference(Table& table, std::int32_t Entry::*field, const char* name) {
    SCOPED_TRACE(name);
    constexpr bool keyed = requires {
        table.findByIdent(0);
    };
    const int capacity = table.capacity();
    ASSERT_EQ(table.add(), 1);
    Entry& held = table[1];
    const Entry* address = &held;
    held.*field = -1;
    std::vector<int> capacities{capacity};
    for (int id = 2; id <= 4 * capacity + 1; ++id) {
        ASSERT_EQ(table.add(), id);
        ASSERT_TRUE(allZero(table[id])) << id;
        std::memset(static_cast<void*>(&table[id]), 0xA5, sizeof(Entry));
        table[id].*field = id;
        if (table.capacity() != capacities.back())
            capacities.push_back(table.capacity());
    }
    EXPECT_EQ(capacities, (Ints{capacity, 2 * capacity, 4 * capacity, 8 * capacity}));
    EXPECT_EQ(table.count(), 4 * capacity + 1);
    EXPECT_EQ(held.*field, -1);
    held.*field = -2;
    EXPECT_EQ(table[1].*field, -2);
    EXPECT_EQ(&table[1], address);
    EXPECT_TRUE(allZero(table[0]));
    for (int id = 2; id <= table.count(); ++id)
        ASSERT_EQ(table[id].*field, id) << id;
    if constexpr (keyed) {
        EXPECT_EQ(table.addWithIdent(7), 4 * capacity + 2);
        EXPECT_EQ(table.findByIdent(7), 4 * capacity + 2);
        EXPECT_EQ(table.addWithIdent(7), 4 * capacity + 3);
        EXPECT_EQ(table.findByIdent(7), 4 * capacity + 2);
        EXPECT_EQ(table[4 * capacity + 3].ident, 7);
    }
}

TEST(ItemTables, EntriesStayInPlaceWhileEveryTableGrowsWellPastItsCapacity) {
    TestRun t;
    growHoldingAReference(t.run.elements, &ElementEntry::zepId, "elements");
    growHoldingAReference(t.run.types, &TypeEntry::zepId, "types");
    growHoldingAReference(t.run.messages, &MessageEntry::zepId, "messages");
    growHoldingAReference(t.run.values, &ValueEntry::zepId, "values");
    growHoldingAReference(t.run.valueMembers, &ValueMemberEntry::zepId, "valueMembers");
    growHoldingAReference(t.run.typeMembers, &TypeMemberEntry::zepId, "typeMembers");
    growHoldingAReference(t.run.attributes, &AttributeEntry::attrId, "attributes");
    growHoldingAReference(t.run.memberAttributes, &MemberAttributeEntry::attrId, "memberAttributes");
}

TEST(ItemTables, EntriesStayInPlaceWhenACapacityIsSetAndWhenTheRoutinesAddEntries) {
    TestRun t;
    int owner = createTypeEntry(t.run, t.run, insertName(t.run, t.run, "Owner"), 0, 0, 6, 0);
    TypeEntry& ownerEntry = t.run.types[owner];
    int firstMember = createTypeMemberEntry(t.run, t.run, 0, 1, memberElement, owner);
    TypeMemberEntry& member = t.run.typeMembers[firstMember];
    ElementEntry& element = t.run.elements[createElementEntry(t.run, t.run, insertName(t.run, t.run, "Kept"), 0)];
    getAttrValueZEPImport(t.run, t.run, t.run, "MaxElement", "100000");
    getAttrValueZEPImport(t.run, t.run, t.run, "MaxTypeMember", "2048");
    EXPECT_EQ(t.output(), "Maximum elements set to 100000\nMaximum type members set to 2048\n");
    for (int i = 0; i < 20000; ++i) {
        int ident = insertName(t.run, t.run, "T" + std::to_string(i));
        createTypeMemberEntry(t.run, t.run, ident, createTypeEntry(t.run, t.run, ident, 0, 0, 6, 0), memberType, owner);
        createElementEntry(t.run, t.run, ident, ident);
    }
    EXPECT_EQ((Ints{t.run.elements.capacity(), t.run.typeMembers.capacity(), t.run.types.capacity()}),
              (Ints{100000, 32768, 32768}));
    EXPECT_EQ(t.text(element.ident), "Kept");
    element.length = 12;
    EXPECT_EQ(t.run.elements[1].length, 12);
    EXPECT_EQ((Ints{ownerEntry.firstMember, ownerEntry.lastMember, member.next, member.elemId}),
              (Ints{1, 20001, 2, 1}));
    EXPECT_EQ(t.run.typeMembers[20001].prev, 20000);
}

#ifndef NDEBUG
TEST(ItemTablesDeathTest, AnIdOutsideTheTableStopsADebugBuild) {
    TestRun t;
    createElementEntry(t.run, t.run, insertName(t.run, t.run, "A"), 0);
    EXPECT_EQ(t.run.elements[0].ident, 0); // entry 0 reads as a zero entry
    EXPECT_DEATH((void)t.run.elements[2], "item table id 2 outside 0\\.\\.1");
    EXPECT_DEATH((void)t.run.types[-1], "item table id -1 outside 0\\.\\.0");
    const ItemTable<AttributeEntry>& attributes = t.run.attributes;
    EXPECT_DEATH((void)attributes[8193], "item table id 8193 outside 0\\.\\.0");
}
#endif

TEST(KeyRegisters, DuplicatesAreReportedPerKindAndRegistersHaveNoSizeLimit) {
    TestRun t;
    registerElementKey(t.run, t.run, "A");
    registerElementKey(t.run, t.run, "B");
    registerElementKey(t.run, t.run, "a");
    EXPECT_EQ(t.run.errSw, 0);
    registerElementKey(t.run, t.run, "A");
    EXPECT_EQ(t.output(), "***** Error - Duplicate element name or key value detected (A)\n");
    EXPECT_EQ(t.run.errSw, 1);
    t.out.clear();
    for (auto reg : {registerTypeKey, registerValueKey, registerMemberAttrKey, registerAttrKey})
        reg(t.run, t.run, "A"); // each kind has its own register
    EXPECT_EQ(t.output(), "");
    for (auto reg : {registerTypeKey, registerValueKey, registerMemberAttrKey, registerAttrKey})
        reg(t.run, t.run, "A");
    EXPECT_EQ(t.output(), "***** ERROR - Duplicate type name or key value detected (A)\n"
                          "***** ERROR - Duplicate value name or key value detected (A)\n"
                          "Duplicate member attribute key value detected (A)\n"
                          "Duplicate attribute key value detected (A)\n");
    TestRun u;
    const std::string stem(95, 'k'); // 3000 keys: about 300000 bytes
    for (int i = 0; i < 3000; ++i)
        registerTypeKey(u.run, u.run, stem + std::to_string(i));
    registerTypeKey(u.run, u.run, stem + "2999");
    EXPECT_EQ(u.output(), "***** ERROR - Duplicate type name or key value detected (" + stem + "2999)\n");
}

TEST(LanguageNames, CAndCobolNames) {
    auto c = [](std::string s) { return makeCName(s), s; };
    auto cobol = [](std::string s) { return makeCobolName(s), s; };
    EXPECT_EQ(c("my-field:x.y"), "my_fieldCxPy");
    EXPECT_EQ(c("Mixed_Case9"), "Mixed_Case9");
    EXPECT_EQ(c(""), "");
    EXPECT_EQ(cobol("1st_field.name"), "CST-FIELDPNAME");
    EXPECT_EQ(cobol("abcdefghijklmnopqrstuvwxyz0123"), "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(cobol("a:b-c"), "ACB-C");
    EXPECT_EQ(cobol("_x"), "CX");
    EXPECT_EQ(cobol("\xE9t\xE9"), "CTC"); // ASCII only: each byte outside it becomes "C"
}

} // namespace
} // namespace norvak::test

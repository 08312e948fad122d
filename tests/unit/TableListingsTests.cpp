// Tests of the listings of the in-memory tables.
#include "unit/TestRun.h"

#include "import/driver/TableListings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvak::test {
namespace {

// The six listings with the given rows under their headings.
std::string listings(const std::vector<std::string>& rows) {
    return "\nTypes Table\ntype zepId   elements   basTyp comp  cont name\n            first last\n" + rows[0] +
           "\nElements Table\nelem    type typeId  zepId  zepTyp Identifier \n" + rows[1] +
           "\nType and Element Attributes Table\nattr attrId compId Class Type Key Flag Value\n" + rows[2] +
           "\nType Members Table\n       main  elem  mesg type\n"
           "       type    id    id   id  next  prev    min   max flags Identifier\n" +
           rows[3] + "\nValues Table\n     zepId  DType elemId value                          name\n" + rows[4] +
           "\nValue member Table\n     zepId  valId elemId role flag value                          element\n" +
           rows[5] + "\n";
}

TEST(TableListings, ListingsShowHeadingsAndOneFixedColumnRowPerEntry) {
    TestRun t;
    auto n = [&t](const std::string& text) { return insertName(t.run, t.run, text); };
    createMessageEntry(t.run, t.run, n("M"), 0); // messages have no listing
    showTables(t.run, t.run);
    EXPECT_EQ(t.output(), listings({"", "", "", "", "", ""}));
    t.out.clear();

    int outer = createTypeEntry(t.run, t.run, n("Outer"), n("Outer"), 50106, 6, 2);
    t.run.types[outer].zepId = 1234;
    int elem = createElementEntry(t.run, t.run, n("Amount"), n("Amount"));
    ElementEntry& e = t.run.elements[elem];
    e.logicalType = 50224;
    e.zepId = 77;
    e.zepTyp = 5;
    e.typeId = 3;
    createAttrEntry(t.run, t.run, n("12"), elem, 103, 28, 2);
    t.run.attributes[1].flags |= 64;
    t.run.attributes[1].attrId = 900;
    t.run.attributes[1].compId = 77;
    int m1 = createTypeMemberEntry(t.run, t.run, 0, elem, 2, outer);
    int m2 = createTypeMemberEntry(t.run, t.run, n("Ref"), 0, 8, outer);
    int m3 = createTypeMemberEntry(t.run, t.run, 0, 1, 4, outer);
    t.run.typeMembers[m1].minOcc = t.run.typeMembers[m1].maxOcc = -1;
    t.run.typeMembers[m2].maxOcc = -2;
    t.run.typeMembers[m3].minOcc = 1;
    t.run.typeMembers[m3].maxOcc = 12;
    t.run.typeMembers[m3].itemType |= 64;
    int value = createValueEntry(t.run, t.run, n("Colour"), 0, 50105);
    t.run.values[value].valueText = n("abcdefghijklmnopqrstuvwxyz0123456789");
    t.run.values[value].zepId = 42;
    createValueMemberEntry(t.run, t.run, value, elem, 0, 1);
    createValueMemberEntry(t.run, t.run, 0, elem, n("Shade"), 2);
    t.run.valueMembers[2].flags = 64;
    t.run.valueMembers[2].zepId = 9;
    showTables(t.run, t.run);
    EXPECT_EQ(t.output(),
              listings({"0001 001234 00001 00003  50106    6     2 Outer\n",
                        "0001   50224  00003 000077 000005 Amount\n", "0001 000900 000077  103  0001 028  0x42 12\n",
                        "00001 00001 00001 00000 00000 00002 00000              0x02 \n"
                        "00002 00001 00000 00000 00000 00003 00001     0        0x08 Ref\n"
                        "00003 00001 00000 00001 00000 00000 00002     1    12  0x44 \n",
                        "0001 000042 50105  00000 abcdefghijklmnopqrstuvwxyz0123 Colour\n",
                        "0001 000000 00001  00001  001 0x00 Colour                         Amount\n"
                        "0002 000009 00000  00001  002 0x40                                Amount\n"}));
}

} // namespace
} // namespace norvak::test

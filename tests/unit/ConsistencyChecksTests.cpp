// Tests of identifier look-up, reference resolution, duplicates and recursion.
#include "unit/TestRun.h"

#include "import/model/ConsistencyChecks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvak::test {
namespace {

using Ints = std::vector<int>;

struct Model : TestRun {
    int n(const std::string& text) { return insertName(run, run, text); }
    void withCustomWireFormat() { run.cwfTabs.add(1, n("CWF1")); }
    // Parses, resolves and checks for recursion, as the import does.
    std::string recursionReport(const std::string& definitions) {
        parse(definitions);
        resolveReferences(run, run, run);
        out.clear();
        checkRecursion(run, run);
        return output();
    }
};

std::string dup(const std::string& tail) {
    return "*****Error - Duplicate identifier found " + tail + "\n";
}

TEST(IdentifierLookup, FindsTheFirstEntryWithTheIdentifierOrReportsAndTracesItsAbsence) {
    Model t;
    int v = t.n("V"), missing = t.n("nowhere");
    createValueEntry(t.run, t.run, v, 0, 50105);
    createValueEntry(t.run, t.run, v, 0, 50105);
    t.run.traceSw = 1;
    EXPECT_EQ(findValueIdFromName(t.run, t.run, v), 1);
    EXPECT_EQ(findElemIdFromName(t.run, t.run, missing), 0);
    EXPECT_EQ(t.output(), "==> findValueIdFromName - V\n<== findValueIdFromName returned valueId 1\n"
                          "==> findElemIdFromName - nowhere\n"
                          "*****Error - unable to locate element identifier nowhere\n"
                          "<== findElemIdFromName returned elemId 0\n");
    EXPECT_EQ(t.run.errSw, 1);
}

TEST(ReferenceResolution, EveryKindOfReferenceBecomesALocalId) {
    Model t;
    t.parse(R"(<Type ident="Order" composition="sequence">
                 <Element ident="head" type="Header"/><Element ref="amount"/>
                 <Type ref="Header"/><Message ref="Ack"/>
               </Type>
               <Type ident="Header" composition="sequence"/>
               <Element ident="amount" type="integer"><Value ref="Max" role="MAX_INCL"/></Element>
               <Value ident="Max" type="integer" value="99"/>
               <Message ident="Ack" type="Header"/>)");
    t.run.traceSw = 1;
    resolveReferences(t.run, t.run, t.run);
    EXPECT_EQ(t.output(), "==> resolveReferences\n"
                          "==> findTypeIdFromName - Header\n<== findTypeIdFromName returned typeId 2\n"
                          "==> findTypeIdFromName - Header\n<== findTypeIdFromName returned typeId 2\n"
                          "==> findElemIdFromName - amount\n<== findElemIdFromName returned elemId 2\n"
                          "==> findTypeIdFromName - Header\n<== findTypeIdFromName returned typeId 2\n"
                          "==> findMesgIdFromName - Ack\n<== findMesgIdFromName returned mesgId 1\n"
                          "==> findValueIdFromName - Max\n<== findValueIdFromName returned valueId 1\n"
                          "<== resolveReferences errSw 0\n");
    const auto& m = t.run.typeMembers;
    EXPECT_EQ((Ints{t.run.messages[1].typeId, t.run.elements[1].typeId, t.run.elements[2].typeId}), (Ints{2, 2, 0}));
    EXPECT_EQ((Ints{m[1].elemId, m[2].elemId, m[3].typeId, m[4].mesgId, t.run.valueMembers[1].valueId}),
              (Ints{1, 2, 2, 1, 1}));
}

TEST(ReferenceResolution, UnresolvedReferencesAreReportedInPassOrderAndStayZero) {
    Model t;
    t.parse(R"(<Value ident="Unused" type="string" value="u"/>
               <Type ident="T" composition="sequence">
                 <Message ref="GhostMsg"/><Type ref="GhostType"/><Element ref="ghostElem"/>
                 <Element ident="local" type="GhostComplex"><Value ref="GhostValue" role="ENUM"/></Element>
               </Type>
               <Message ident="M" type="GhostMsgType"/>)");
    resolveReferences(t.run, t.run, t.run);
    EXPECT_EQ(t.output(), "*****Error - unable to locate type identifier GhostMsgType\n"
                          "*****Error - unable to locate type identifier GhostComplex\n"
                          "*****Error - unable to locate message identifier GhostMsg\n"
                          "*****Error - unable to locate type identifier GhostType\n"
                          "*****Error - unable to locate element identifier ghostElem\n"
                          "*****Error - unable to locate value identifier GhostValue\n");
    const auto& m = t.run.typeMembers;
    EXPECT_EQ((Ints{t.run.messages[1].typeId, m[1].mesgId, m[2].typeId, m[3].elemId, t.run.valueMembers[1].valueId}),
              (Ints{0, 0, 0, 0, 0}));
    EXPECT_EQ(t.run.errSw, 1);
}

TEST(ReferenceResolution, MembersWithoutALengthAreReportedOnlyWithACustomWireFormat) {
    const std::string definitions = R"(
        <Element ident="code" type="string"/><Element ident="count" type="integer"/>
        <Element ident="sized" type="string" length="4"/><Element ident="zstr" type="string" physicalType="null"/>
        <Type ident="Rec" composition="sequence">
          <Element ref="code"/><Element ref="code" length="3"/><Element ref="code" lengthRef="count"/>
          <Element ref="count"/><Element ref="count" physicalType="fixed"/>
          <Element ref="sized"/><Element ref="zstr"/><Element ref="zstr" physicalType="Binary"/>
        </Type>)";
    Model plain;
    plain.parse(definitions);
    resolveReferences(plain.run, plain.run, plain.run);
    EXPECT_EQ(plain.output(), "");

    Model t;
    t.withCustomWireFormat();
    t.parse(definitions);
    resolveReferences(t.run, t.run, t.run);
    EXPECT_EQ(t.output(), "*****Error - length required for element code in type Rec\n"
                          "*****Error - length required for element count in type Rec\n"
                          "*****Error - length required for element zstr in type Rec\n");
    EXPECT_EQ(t.run.errSw, 1);
}

TEST(DuplicateIdentifiers, DistinctIdentifiersPassAndTwoEqualValuesAreOnePair) {
    Model t;
    t.parse(R"(<Type ident="T" composition="sequence"><Element ident="E" type="string"/></Type>
               <Message ident="M" type="T"/><Value ident="V" type="string" value="1"/>)");
    checkDupIdents(t.run, t.run);
    EXPECT_EQ(t.output(), "");
    EXPECT_EQ(t.run.errSw, 0);

    createValueEntry(t.run, t.run, t.n("V"), 0, 50105);
    t.run.traceSw = 1;
    checkDupIdents(t.run, t.run);
    EXPECT_EQ(t.output(), "==> checkDupIdents\n" + dup("V, values 1,2") + "<== checkDupIdents, errSw=1\n");
}

TEST(DuplicateIdentifiers, ReportsEveryPairOnceInPassAndIdOrder) {
    Model t;
    int x = t.n("X"), y = t.n("Y");
    for (int ident : {x, y, x})
        t.run.elements.addWithIdent(ident);
    for (int ident : {y, x})
        t.run.types.addWithIdent(ident);
    t.run.messages.addWithIdent(x);
    for (int ident : {x, y, x})
        t.run.values.addWithIdent(ident);
    checkDupIdents(t.run, t.run);
    std::string expected;
    for (const char* pair :
         {"X, elements 1,3", "X, values 1,3", "X, element 1, type 2", "X, element 1, message 1",
          "X, element 1, value 1", "X, element 1, value 3", "Y, element 2, type 1", "Y, element 2, value 2",
          "X, element 3, type 2", "X, element 3, message 1", "X, element 3, value 1", "X, element 3, value 3",
          "Y, type 1, value 2", "X, type 2, message 1", "X, type 2, value 1", "X, type 2, value 3",
          "X, message 1, value 1", "X, message 1, value 3"})
        expected += dup(pair);
    EXPECT_EQ(t.output(), expected);
}

TEST(Recursion, ATypeContainingItselfDirectlyOrThroughOthersIsReportedOnceAndSharingIsNot) {
    EXPECT_EQ(Model().recursionReport(R"(<Type ident="A" composition="sequence"><Element ident="self" type="A"/>
                                         <Element ident="again" type="A"/></Type>)"),
              "*****Error - Recursion found for type A element self\n");
    EXPECT_EQ(Model().recursionReport(R"(<Type ident="A" composition="sequence"><Element ident="e" type="B"/></Type>
                                         <Type ident="B" composition="sequence"><Element ident="f" type="A"/></Type>)"),
              "*****Error - Recursion found for type A element e\n");
    EXPECT_EQ(Model().recursionReport(R"(<Type ident="A" composition="sequence"><Type ref="B"/></Type>
                                         <Type ident="B" composition="choice"><Type ref="C"/></Type>
                                         <Type ident="C" composition="sequence"><Element ident="g" type="A"/></Type>)"),
              "*****Error - Recursion found for type A element B\n");
    Model acyclic;
    EXPECT_EQ(acyclic.recursionReport(R"(
        <Type ident="A" composition="sequence">
          <Element ident="b1" type="B"/><Element ident="b2" type="B"/><Element ident="c" type="C"/>
        </Type>
        <Type ident="B" composition="sequence"><Element ident="d1" type="D"/></Type>
        <Type ident="C" composition="sequence"><Type ref="D"/></Type>
        <Type ident="D" composition="sequence"><Element ident="leaf" type="string"/></Type>)"),
              "");
    EXPECT_EQ(acyclic.run.errSw, 0);
}

TEST(Recursion, NamesTheFirstTypeOnACycleAndTheMemberThroughWhichItLeaves) {
    Model t;
    EXPECT_EQ(t.recursionReport(R"(
        <Type ident="Outer" composition="sequence"><Element ident="x" type="A"/></Type>
        <Type ident="A" composition="sequence">
          <Element ident="d" type="D"/><Element ident="c" type="C"/><Element ident="c2" type="C"/>
        </Type>
        <Type ident="C" composition="sequence"><Element ident="a" type="A"/></Type>
        <Type ident="D" composition="sequence"><Element ident="leaf" type="string"/></Type>)"),
              "*****Error - Recursion found for type A element c\n");
    EXPECT_EQ(t.run.errSw, 1);
}

TEST(Recursion, DeepNestingIsCheckedAndALongCycleFound) {
    Model t;
    const int depth = 100000;
    for (int i = 1; i <= depth; ++i)
        createTypeEntry(t.run, t.run, t.n("T" + std::to_string(i)), 0, 0, 6, 1);
    for (int i = 1; i < depth; ++i)
        createTypeMemberEntry(t.run, t.run, 0, i + 1, 8, i);
    t.out.clear();
    checkRecursion(t.run, t.run);
    EXPECT_EQ(t.output(), "");

    createTypeMemberEntry(t.run, t.run, 0, 1, 8, depth);
    t.out.clear();
    checkRecursion(t.run, t.run);
    EXPECT_EQ(t.output(), "*****Error - Recursion found for type T1 element T2\n");
}

} // namespace
} // namespace norvak::test

// Tests of the physical-format checks against logical types.
#include "unit/TestRun.h"

#include "import/model/PhysicalFormatChecks.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

namespace norvak::test {
namespace {

enum : int { kString = 50105, kInteger = 50106, kFloat = 50107, kBinary = 50109, kBoolean = 50213 };
enum : int { kDateTime = 50222, kDecimal = 50224, kComplex = 0 };

// A run holding one element "E" of the given logical type, with or without a
// custom wire format tab.
struct Format : TestRun {
    int elemId;
    Format(int logicalType, bool customWireFormat = true) {
        if (customWireFormat)
            run.cwfTabs.add(1, insertName(run, run, "CWF1"));
        elemId = createElementEntry(run, run, insertName(run, run, "E"), 0);
        run.elements[elemId].logicalType = logicalType;
    }
};

std::string error(const std::string& text) {
    return "*****Error - " + text + "\n";
}

// One check of one element: its result and everything it printed.
struct Case {
    int logicalType;
    std::function<int(ImportRun&, int)> check;
    int result;
    std::string output;
    bool customWireFormat = true;
};

void expectCases(const std::vector<Case>& cases) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const Case& c = cases[i];
        Format t(c.logicalType, c.customWireFormat);
        EXPECT_EQ(c.check(t.run, t.elemId), c.result);
        EXPECT_EQ(t.output(), c.output);
        EXPECT_EQ(t.run.errSw, c.output.empty() ? 0 : 1);
    }
}

// A check of the element with the other arguments fixed; the run is passed
// for each part of it that the check takes.
template <class Check, class... Args> std::function<int(ImportRun&, int)> call(Check check, Args... args) {
    return [=](ImportRun& run, int elemId) {
        if constexpr (std::is_invocable_v<Check, ImportRun&, ImportRun&, ImportRun&, Args..., int>)
            return check(run, run, run, args..., elemId);
        else
            return check(run, run, args..., elemId);
    };
}
auto length(int physicalType, int length, int lengthRef = 0, int units = -1) {
    return call(checkLength, physicalType, length, lengthRef, units);
}

TEST(PhysicalTypeCheck, DefaultsAreNotWrittenOthersAreWrittenOrRejectedByLogicalType) {
    std::string invalid = "invalid physical type for ";
    expectCases({
        {kString, call(checkPhysicalType, 1), 0, "", false},
        {kString, call(checkPhysicalType, 8), 1, ""},
        {kString, call(checkPhysicalType, 1), 1, error(invalid + "string element E")},
        {kInteger, call(checkPhysicalType, 4), 0, ""},
        {kInteger, call(checkPhysicalType, 8), 1, error(invalid + "integer element E")},
        {kFloat, call(checkPhysicalType, 9), 1, error(invalid + "float element E")},
        {kBinary, call(checkPhysicalType, 8), 1, error(invalid + "binary element E")},
        {kBoolean, call(checkPhysicalType, 1), 1, error(invalid + "boolean element E")},
        {kDateTime, call(checkPhysicalType, 2), 1, error(invalid + "date time element E")},
        {kDecimal, call(checkPhysicalType, 1), 0, ""},
        {kDecimal, call(checkPhysicalType, 3), 1, error(invalid + "decimal element E")},
        {kComplex, call(checkPhysicalType, 99), 0, ""},
    });
}

// The defaults the model of a stored set fills in are what the checks leave
// unwritten: the default physical type and the default length of each
// logical type get no row and no fault.
TEST(PhysicalFormatDefaults, TheDefaultsOfALogicalTypeAreWhatTheChecksLeaveUnwritten) {
    for (int logicalType : std::initializer_list<int>{kString, kInteger, kFloat, kBinary, kBoolean, kDateTime,
                                                      kDecimal}) {
        SCOPED_TRACE(logicalType);
        int physicalType = defaultPhysicalType(logicalType);
        EXPECT_NE(physicalType, 0);
        Format t(logicalType);
        EXPECT_EQ(checkPhysicalType(t.run, t.run, t.run, physicalType, t.elemId), 1);
        for (int physical : {0, physicalType}) {
            int length = defaultLength(logicalType, physical);
            if (length != 0) {
                EXPECT_EQ(checkLength(t.run, t.run, t.run, physical, length, 0, -1, t.elemId), 1);
            }
        }
        EXPECT_EQ(t.output(), "");
    }
    Format integer(kInteger); // a length other than the default is written
    EXPECT_EQ(checkLength(integer.run, integer.run, integer.run, 0, 2, 0, -1, integer.elemId), 0);
    EXPECT_EQ(defaultLength(kInteger, 0), 4);
    EXPECT_EQ(defaultLength(kFloat, 1), 4);
    EXPECT_EQ(defaultLength(kFloat, 4), 0);
    EXPECT_EQ(defaultLength(kString, 8), 0);
    EXPECT_EQ(defaultPhysicalType(kComplex), 0);
}

TEST(LengthCheck, LengthsAreJudgedByTypesAndReferencesEvenWithoutCustomWireFormat) {
    std::string noRef = error("length reference for element E does not allow length references");
    std::string fixedString = error("fixed length string element requires length or length ref E");
    expectCases({
        {kString, length(8, 10), 0, ""},
        {kString, length(0, 0, 7), 0, ""},
        {kString, length(0, 0, 0, 3), 0, ""},
        {kString, length(8, 0), 1, fixedString},
        {kString, length(7, 5), 1, error("length or length ref invalid for non-fixed length string element E")},
        {kInteger, length(1, 4), 1, ""},
        {kInteger, length(1, 3), 1, error("Length for integer must be 1, 2 or 4 - element E")},
        {kInteger, length(2, 12, 0, 3), 0, ""},
        {kInteger, length(2, 12), 1,
         error("length for integer element E rendered as extended decimal must be from 1 to 11")},
        {kInteger, length(4, 7), 1, error("length for integer element E rendered as packed must be from 1 to 6")},
        {kFloat, length(3, 4, 9), 1, noRef},
        {kFloat, length(3, 8), 0, ""},
        {kFloat, length(3, 6), 1, error("Length for float element E must be 4 or 8")},
        {kFloat, length(1, 8), 1, error("Length for float element E rendered as integer must be 1, 2 or 4")},
        {kFloat, length(4, 11), 1, error("length for float element E rendered as packed must be from 1 to 10")},
        {kFloat, length(2, 257), 1,
         error("length for float element E rendered as extended decimal must be from 1 to 256")},
        {kBinary, length(10, 0, 5), 0, ""},
        {kBinary, length(10, 0), 1, error("length or length ref required for binary element E")},
        {kBoolean, length(9, 1, 5), 1, error("length or length ref not allowed for boolean element E") + noRef},
        {kDateTime, length(11, 2), 1, error("length or length ref not allowed for datetime element E")},
        {kDecimal, length(0, 0, 5), 0, ""},
        {kDecimal, length(2, 0), 1, error("length for decimal element E must be from 1 to 256")},
        {kDecimal, length(1, 4), 0, ""},
        {kDecimal, length(1, 3), 1, error("length for decimal element E rendered as integer must be from 1, 2 or 4")},
        {kDecimal, length(4, 11), 1, error("length for decimal element E rendered as packed must be from 1 to 10")},
        {kComplex, length(0, 0, 5), 0, ""},
        {kString, length(8, 0), 0, "", false},
        {kInteger, length(1, 3), 0, "", false},
        {kInteger, length(1, 0, 5), 1, noRef, false},
        {kDecimal, length(0, 0, 5), 0, "", false},
    });
}

TEST(LengthUnitsCheck, UnitsMustSuitTheLogicalAndPhysicalType) {
    std::string bytes = "length units must be bytes or end of bitstream for ";
    std::string consistent = "length units not consistent with physical type for ";
    expectCases({
        {kBoolean, call(checkLengthUnits, 0, 1), 0, "", false},
        {kString, call(checkLengthUnits, 6, 1), 1,
         error("length units allowed only for fixed length string element E")},
        {kInteger, call(checkLengthUnits, 2, 2), 1, error(bytes + "integer element E")},
        {kInteger, call(checkLengthUnits, 4, 0), 1, error(consistent + "integer element E")},
        {kFloat, call(checkLengthUnits, 3, 0), 1, error(consistent + "float element E")},
        {kBoolean, call(checkLengthUnits, 0, 0), 1, error("length units not allowed for boolean element E")},
        {kDateTime, call(checkLengthUnits, 0, 3), 1, error("length units not allowed for date/time element E")},
        {kDecimal, call(checkLengthUnits, 2, 1), 1, error(bytes + "decimal element E")},
        {kDecimal, call(checkLengthUnits, 4, 3), 1, error(consistent + "decimal element E")},
    });
}

TEST(NumericPropertyChecks, SignOrientationAndVirtualDecimalPoint) {
    std::string vdp = "virtual decimal point not allowed for ";
    expectCases({
        {kString, call(checkSignOrientation, 0, 1), 0, "", false},
        {kString, call(checkSignOrientation, 0, 1), 1,
         error("sign orientation not allowed for element E of this type")},
        {kInteger, call(checkSignOrientation, 2, 1), 0, ""},
        {kInteger, call(checkSignOrientation, 4, 1), 1,
         error("sign orientation not allowed for integer element E of this physical type")},
        {kDecimal, call(checkSignOrientation, 1, 1), 1,
         error("sign orientation not allowed for decimal element E of this physical type")},
        {kBoolean, call(checkVirtualDecimalPoint, 0), 1, error(vdp + "element E of this type"), false},
        {kInteger, call(checkVirtualDecimalPoint, 2), 1, error(vdp + "element E of this type")},
        {kFloat, call(checkVirtualDecimalPoint, 3), 1, error(vdp + "float element E of physical type float")},
        {kFloat, call(checkVirtualDecimalPoint, 0), 0, "", false},
    });
}

TEST(TextPropertyChecks, JustificationPaddingAndFormatString) {
    std::string onlyFixed = " only allowed for string element E of physical type fixed length";
    expectCases({
        {kDateTime, call(checkJustification, 0), 1,
         error("string justification not allowed for element E of this type"), false},
        {kBinary, call(checkPaddingChar, 10), 1, error("padding character not allowed for element E of this type"),
         false},
        {kInteger, call(checkPaddingChar, 1), 0, "", false},
        {kDecimal, call(checkJustification, 0), 1,
         error("string justification only allowed for element E of physical type extended decimal")},
        {kFloat, call(checkPaddingChar, 3), 1,
         error("padding character only allowed for element E of physical type extended decimal")},
        {kString, call(checkPaddingChar, 7), 1, error("padding character" + onlyFixed)},
        {kString, call(checkJustification, 5), 1, error("string justification" + onlyFixed)},
        {kString, call(checkPaddingChar, 8), 0, ""},
        {kDateTime, call(checkFormatString), 0, ""},
        {kString, call(checkFormatString), 1, error("format string not allowed for element E of this type"), false},
    });
}

TEST(LengthReferenceCheck, OnlyAPrecedingIntegerElementOfTheSameTypeIsAccepted) {
    struct {
        const char* reference;
        bool fromFirst;
        std::string output;
    } cases[] = {
        {"count", false, ""},
        {"text", false, error("length or repeat reference element (text) must be an integer")},
        {"after", false, error("length or repeat reference element (after) not found in type")},
        {"other", false, error("length or repeat reference element (other) not found in type")},
        {"text", true, error("length or repeat reference element (text) not found in type")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reference);
        TestRun t;
        t.parse(R"(<Type ident="T" composition="sequence">
                     <Element ident="text" type="string"/><Message ref="M"/><Element ident="count" type="integer"/>
                     <Element ident="x" type="integer"/><Element ident="after" type="integer"/></Type>
                   <Type ident="U" composition="sequence"><Element ident="other" type="integer"/></Type>)");
        ASSERT_EQ(t.output(), "");
        // Members in order: text, M, count, x (tested), after, other.
        EXPECT_EQ(checkLengthReference(t.run, t.run, c.fromFirst ? 1 : 4, insertName(t.run, t.run, c.reference)), 0);
        EXPECT_EQ(t.output(), c.output);
        EXPECT_EQ(t.run.errSw, c.output.empty() ? 0 : 1);
    }
}

} // namespace
} // namespace norvak::test

// Tests of definition records turned into entries of the item tables.
#include "unit/TestRun.h"

#include "import/model/DefinitionProcessing.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace norvak::test {
namespace {

using Ints = std::vector<int>;
using Strings = std::vector<std::string>;

struct Defs : TestRun {
    int n(const std::string& text) { return insertName(run, run, text); }
    int type(const char* ident, int composition = 6, int parent = 0) {
        return processTypeDef(run, run, DefinitionRecord{.ident = n(ident), .composition = composition}, parent);
    }
    // A record giving every format property of an element.
    DefinitionRecord formatted() {
        using R = DefinitionRecord;
        R r{.lengthUnits = 2, .byteAlignment = 3, .xmlRender = 1, .precision = 2, .cwfNullKey = 1, .signedCode = 1};
        r.physicalType = 4;
        for (auto [field, text] :
             {std::pair{&R::length, "8"},      {&R::lengthRef, "LR"},        {&R::xmlName, "xn"},
              {&R::xmlFormat, "xf"},           {&R::xmlIdAttrName, "idn"},   {&R::xmlIdAttrValue, "idv"},
              {&R::xmlIdValueAttrName, "ivn"}, {&R::xmlMemberEncode, "hex"}, {&R::padChar, "_"},
              {&R::tdsFormat, "fmt"},          {&R::repeatElemDelim, ";"},   {&R::tdsNullKey, "TK"},
              {&R::tdsNullValue, "TV"},        {&R::cwfNullValue, "CV"},     {&R::justification, "L"},
              {&R::justificationText, "left"}, {&R::decimalPoint, "1"},      {&R::signOrientation, "Leading"},
              {&R::negativeSign, "-"},         {&R::positiveSign, "+"},      {&R::interpretValue, "Message Key"}})
            r.*field = n(text);
        return r;
    }
    // Attribute entries as "class/owner/key/flags=value".
    Strings attributes() {
        Strings list;
        for (int id = 1; id <= run.attributes.count(); ++id) {
            const AttributeEntry& a = run.attributes[id];
            std::ostringstream s;
            s << a.attrClass << "/" << a.ownerId << "/" << a.attrKey << "/" << int(a.flags) << "=" << text(a.value);
            list.push_back(s.str());
        }
        return list;
    }
    // A type member as "owner:elem,mesg,type:itemType:min,max:prev,next:ident".
    std::string member(int id) {
        const TypeMemberEntry& m = run.typeMembers[id];
        std::ostringstream s;
        s << m.ownerTypeId << ":" << m.elemId << "," << m.mesgId << "," << m.typeId << ":" << int(m.itemType) << ":"
          << m.minOcc << "," << m.maxOcc << ":" << m.prev << "," << m.next << ":" << text(m.ident);
        return s.str();
    }
};

// One "*****Error - <item><tail>" line for each item of a "|"-separated list.
std::string errors(const std::string& items, const std::string& tail) {
    std::string text, item;
    std::istringstream in(items);
    while (std::getline(in, item, '|'))
        text += "*****Error - " + item + tail;
    return text;
}

TEST(ElementDefinition, ElementWithoutTypeIsAStringElementCheckedAsCompound) {
    Defs t;
    DefinitionRecord r{.ident = t.n("Amount"), .length = t.n("5"), .xmlName = t.n("amt"), .tag = t.n("AMT")};
    EXPECT_EQ(processElementDef(t.run, t.run, t.run, r, 0), 1);
    const ElementEntry& e = t.run.elements[1];
    EXPECT_EQ((Ints{e.logicalType, e.typeName, e.label, e.length, t.run.counters.tagsFound}),
              (Ints{50105, 0, r.ident, 0, 1}));
    EXPECT_EQ(t.attributes(), (Strings{"103/1/27/2=AMT", "103/1/30/4=amt"}));
    EXPECT_EQ(t.output(), "*****Error - length (5) not valid for compound element\n");
    EXPECT_EQ(t.run.errSw, 1);
}

TEST(ElementDefinition, AMistypedLogicalTypeIsNamedAfterTheErrorsOfACompoundElement) {
    Defs t;
    DefinitionRecord r{.ident = t.n("Code"), .typeName = t.n("strng"), .length = t.n("4")};
    processElementDef(t.run, t.run, t.run, r, 0);
    EXPECT_EQ(t.output(), "*****Error - length (4) not valid for compound element\n"
                          "  did you mean string instead of strng?\n");
    // A compound element of a type of its own is left alone, and so is one without errors.
    Defs other;
    DefinitionRecord own{.ident = other.n("Addr"), .typeName = other.n("AddressType"), .length = other.n("4")};
    processElementDef(other.run, other.run, other.run, own, 0);
    EXPECT_EQ(other.output(), "*****Error - length (4) not valid for compound element\n");
    Defs clean;
    DefinitionRecord plain{.ident = clean.n("Code"), .typeName = clean.n("strng")};
    processElementDef(clean.run, clean.run, clean.run, plain, 0);
    EXPECT_EQ(clean.output(), "");
}

TEST(ElementDefinition, CompoundElementReportsEveryFormatPropertyInOrderAndBecomesAMember) {
    Defs t;
    int owner = t.type("Owner");
    DefinitionRecord r = t.formatted();
    r.ident = t.n("Addr");
    r.name = t.n("Address");
    r.typeName = t.n("AddressType");
    r.minOccurs = 1;
    r.maxOccurs = -2;
    r.repeatCount = 3;
    EXPECT_EQ(processElementDef(t.run, t.run, t.run, r, owner), 1);
    const char* tail = " not valid for compound element\n";
    EXPECT_EQ(t.output(), errors("Justification (L)|Padding character (_)|Interpret element value (Message Key)|"
                                 "Decimal point (1)|Precision (2)|Sign Orientation (Leading)|Positive Sign (+)|"
                                 "Negative Sign (-)|TDS Format String (fmt)|byte alignment (3)|length (8)|"
                                 "length reference (LR)|length units (2)|physical type (4)|Null key (TDS) (TK)|"
                                 "Null key value (TDS) (TV)",
                                 tail) +
                              "CWF null key value not allowed on element Addr of compound type\n" +
                              errors("Null key value (CWF) (CV)|XML member encoding (hex)|XML ID attribute name (idn)|"
                                     "XML ID attribute value (idv)|XML ID value attribute name (ivn)|XML format (xf)",
                                     tail));
    const ElementEntry& e = t.run.elements[1];
    EXPECT_EQ((Ints{e.logicalType, e.typeName, e.label, e.length, e.physicalType, e.byteAlignment}),
              (Ints{0, r.typeName, r.name, 0, 0, 0}));
    EXPECT_EQ(t.attributes(), (Strings{"103/1/30/4=xn", "103/1/31/4=xf"}));
    EXPECT_EQ(t.member(1), "1:1,0,0:2:1,-2:0,0:");
    const TypeMemberEntry& m = t.run.typeMembers[1];
    EXPECT_EQ((Ints{m.repeatCount, m.lengthRef, m.length}), (Ints{3, r.lengthRef, 0}));
}

TEST(ElementDefinition, SimpleElementCopiesItsFormatAndGetsTdsAttributes) {
    Defs t;
    DefinitionRecord r = t.formatted();
    r.ident = t.n("Price");
    r.typeCode = 50107;
    r.tag = t.n("PR");
    r.lengthUnits = -1;
    EXPECT_EQ(processElementDef(t.run, t.run, t.run, r, t.type("Owner")), 1);
    auto copied = [](const auto& x) {
        std::ostringstream s;
        s << x.physicalType << "/" << x.signedCode << "/" << x.length << "/" << x.lengthUnits << "/" << x.justification
          << "/" << x.padChar << "/" << x.decimalPoint << "/" << x.byteAlignment << "/" << x.cwfNullKey << "/"
          << x.cwfNullValue << "/" << x.xmlRender << "/" << x.xmlIdAttrName << "/" << x.xmlIdAttrValue << "/"
          << x.xmlIdValueAttrName << "/" << x.xmlMemberEncode;
        return s.str();
    };
    EXPECT_EQ(copied(t.run.elements[1]), copied(r));
    EXPECT_EQ(t.run.elements[1].logicalType, 50107);
    EXPECT_EQ(t.run.elements[1].lengthUnits, -1);
    EXPECT_EQ(t.attributes(),
              (Strings{"103/1/27/2=PR", "103/1/30/4=xn", "103/1/31/4=xf", "103/1/28/2=8", "103/1/29/2=left",
                       "103/1/30/2=_", "103/1/31/2=Message Key", "103/1/32/2=1", "103/1/33/2=2", "103/1/34/2=fmt",
                       "103/1/35/2=Leading", "103/1/36/2=+", "103/1/37/2=-", "103/1/38/2=TK", "103/1/39/2=TV"}));
}

TEST(ElementDefinition, PrecisionNeedsALongerLengthAndNoVirtualDecimalPoint) {
    auto run = [](int precision, const char* length, const char* decimalPoint) {
        Defs t;
        DefinitionRecord r{.ident = t.n("P"), .typeCode = 50107, .precision = precision};
        r.length = length ? t.n(length) : 0;
        r.decimalPoint = decimalPoint ? t.n(decimalPoint) : 0;
        processElementDef(t.run, t.run, t.run, r, 0);
        return t.output() + "errSw " + std::to_string(t.run.errSw);
    };
    EXPECT_EQ(run(2, "5", nullptr), "errSw 0");
    EXPECT_EQ(run(5, "5", nullptr), "*****Error - precision (5) must be less than length (5)\nerrSw 1");
    EXPECT_EQ(run(3, nullptr, nullptr), "*****Error - precision requires length to be specified\nerrSw 1");
    EXPECT_EQ(run(2, "5", "1"), "*****Error - precision (2) cannot be specified with virtual decimal point (1) for "
                                "element P\nerrSw 0");
}

TEST(ElementDefinition, EachLogicalTypeRejectsItsPropertiesInOrder) {
    auto check = [](int typeCode) {
        Defs t;
        DefinitionRecord r = t.formatted();
        r.ident = t.n("X");
        r.typeCode = typeCode;
        processElementDef(t.run, t.run, t.run, r, t.type("Owner"));
        std::string text;
        for (const std::string& line : t.lines())
            if (line.rfind("*****Error - precision", 0) != 0)
                text += line + "\n";
        return text;
    };
    auto rejected = [](const std::string& items, const std::string& word) {
        return errors(items, " not valid for element type " + word + "\n");
    };
    const std::string signs = "Sign Orientation (Leading)|Positive Sign (+)|Negative Sign (-)|signed (1)|";
    const std::string interpret = "Interpret element value (Message Key)|";
    EXPECT_EQ(check(50105),
              rejected("Decimal point (1)|Precision (2)|Format String (fmt)|" + signs + "XML member encoding (hex)",
                       "string"));
    EXPECT_EQ(check(50106), rejected(interpret + "Format String (fmt)|Length Reference (LR)|Decimal point (1)|"
                                                 "XML member encoding (hex)",
                                     "integer"));
    EXPECT_EQ(check(50107),
              rejected(interpret + "Format (fmt)|Length Reference (LR)|XML member encoding (hex)", "float"));
    EXPECT_EQ(check(50109), rejected("Justification (L)|Padding character (_)|" + interpret +
                                         "Decimal point (1)|Precision (2)|Format (fmt)|" + signs +
                                         "Encoding Null (TDS) (TK)|Encoding Value (TDS) (TV)|Encoding Value (CWF) (CV)",
                                     "binary") +
                                "CWF null key value not allowed on element X of type binary\n");
    EXPECT_EQ(check(50213), "*****Error - Length (8) not valid for element type boolean\n"
                            "CWF null key value not allowed on element X of type boolean\n" +
                                rejected("Length reference (LR)|Justification (L)|Padding character (_)|" + interpret +
                                             "Decimal point (1)|Precision (2)|Format (fmt)|" + signs +
                                             "Encoding Null (TDS) (TK)|Encoding Value (TDS) (TV)|"
                                             "Encoding Null (CWF) (1)|Encoding Value (CWF) (CV)|"
                                             "XML member encoding (hex)",
                                         "boolean"));
    EXPECT_EQ(
        check(50222),
        rejected(interpret + "Decimal point (1)|Precision (2)|" + signs + "XML member encoding (hex)", "date/time"));
    EXPECT_EQ(check(50224),
              rejected(interpret + "Format (fmt)|Length reference (LR)|XML member encoding (hex)", "decimal"));
    EXPECT_EQ(check(50108), "");

    Defs t; // a CWF null key of 0 passes the generic check but not the boolean rule
    processElementDef(t.run, t.run, t.run, DefinitionRecord{.ident = t.n("B"), .typeCode = 50213, .cwfNullKey = 0}, 0);
    EXPECT_EQ(t.output(), "CWF null key value not allowed on element B of type boolean\n");
}

TEST(ElementDefinition, MemberPropertiesAreOnlyValidInsideAType) {
    Defs t;
    DefinitionRecord r{.ident = t.n("Top"), .typeCode = 50105, .lengthRef = t.n("LR"), .minOccurs = 1};
    r.maxOccurs = 5;
    r.repeatCount = 2;
    r.repeatRef = t.n("RR");
    EXPECT_EQ(processElementDef(t.run, t.run, t.run, r, 0), 1);
    EXPECT_EQ(t.output(), errors("minOccurs (1)|maxOccurs (5)|repeatCount (2)|repeatRef (RR)|lengthRef (LR)",
                                 " only valid when element Top is in a type\n"));
    Defs u;
    EXPECT_EQ(processElementDef(u.run, u.run, u.run,
                                DefinitionRecord{.ident = u.n("Top"), .minOccurs = 0, .maxOccurs = -2}, 0),
              1);
    EXPECT_EQ(u.output(), "");
    EXPECT_EQ(u.run.typeMembers.count(), 0);
}

TEST(ElementDefinition, ElementByReferenceIsAMemberCarryingItsPerUseSettings) {
    Defs t;
    int owner = t.type("Owner");
    EXPECT_EQ(processElementDef(t.run, t.run, t.run, DefinitionRecord{.ref = t.n("Shared"), .name = t.n("N")}, owner),
              0);
    EXPECT_EQ(processElementDef(t.run, t.run, t.run, DefinitionRecord{.ref = t.n("Shared")}, 0), 0);
    EXPECT_EQ(t.output(), "*****Error - element cannot have both identifier/name and ref Shared\n"
                          "*****Error - element with ref (Shared) must be within a type\n");
    EXPECT_EQ(t.run.typeMembers.count(), 0);
    t.out.clear();
    DefinitionRecord r = t.formatted();
    r.ref = t.n("Shared");
    r.typeCode = 50109; // nothing of a reference is rejected
    r.tag = t.n("TAG");
    r.minOccurs = 0;
    r.maxOccurs = 4;
    r.repeatCount = 2;
    r.repeatRef = t.n("rr");
    EXPECT_EQ(processElementDef(t.run, t.run, t.run, r, owner), 0);
    EXPECT_EQ(t.output(), "");
    EXPECT_EQ(t.run.elements.count() + t.run.attributes.count() + t.run.counters.tagsFound, 0);
    EXPECT_EQ(t.member(1), "1:0,0,0:2:0,4:0,0:Shared");
    auto perUse = [](const auto& x) {
        std::ostringstream s;
        s << x.repeatCount << "/" << x.repeatRef << "/" << x.physicalType << "/" << x.length << "/" << x.lengthRef
          << "/" << x.lengthUnits << "/" << x.signedCode << "/" << x.decimalPoint << "/" << x.byteAlignment << "/"
          << x.justification << "/" << x.padChar << "/" << x.cwfNullKey << "/" << x.cwfNullValue << "/" << x.xmlName
          << "/" << x.xmlRender << "/" << x.xmlFormat << "/" << x.xmlIdAttrName << "/" << x.xmlIdAttrValue << "/"
          << x.xmlIdValueAttrName << "/" << x.xmlMemberEncode << "/" << x.repeatElemDelim << "/" << x.justificationText;
        return s.str();
    };
    EXPECT_EQ(perUse(t.run.typeMembers[1]), perUse(r));
}

TEST(ElementDefinition, RedefinitionReusesTheEntryAndMissingIdentifierCreatesNothing) {
    Defs t;
    int owner = t.type("Owner");
    DefinitionRecord first{.ident = t.n("E"), .typeName = t.n("Complex"), .tag = t.n("T1")};
    DefinitionRecord second{.name = t.n("Other"), .ident = first.ident, .typeCode = 50106, .tag = t.n("T2")};
    EXPECT_EQ(processElementDef(t.run, t.run, t.run, first, owner), 1);
    EXPECT_EQ(processElementDef(t.run, t.run, t.run, second, owner), 1);
    const ElementEntry& e = t.run.elements[1];
    EXPECT_EQ((Ints{t.run.elements.count(), e.logicalType, e.typeName, e.label, t.run.counters.tagsFound}),
              (Ints{1, 50106, 0, first.ident, 2}));
    EXPECT_EQ(t.attributes(), (Strings{"103/1/27/2=T1", "103/1/27/2=T2"}));
    EXPECT_EQ(t.member(1), "1:1,0,0:2:-1,-1:0,2:");
    EXPECT_EQ(t.member(2), "1:1,0,0:2:-1,-1:1,0:");

    EXPECT_EQ(processElementDef(t.run, t.run, t.run, DefinitionRecord{.name = t.n("Nm"), .tag = t.n("T3")}, owner), 0);
    EXPECT_EQ(processElementDef(t.run, t.run, t.run, DefinitionRecord{}, 0), 0);
    EXPECT_EQ(t.output(), "*****Error - required parameter missing on element Nm\n"
                          "*****Error - required parameter missing on element \n");
    EXPECT_EQ(t.run.errSw, 1);
    EXPECT_EQ(
        (Ints{t.run.elements.count(), t.run.typeMembers.count(), t.run.attributes.count(), t.run.counters.tagsFound}),
        (Ints{1, 2, 2, 2}));
}

// A type record with every wire-format text of a type.
DefinitionRecord typeFormat(Defs& t) {
    DefinitionRecord r;
    r.delimiter = t.n(",");
    r.groupInd = t.n("{");
    r.groupTerm = t.n("}");
    r.tagDataSep = t.n(":");
    r.tagLen = t.n("3");
    r.dataElemSepText = t.n("Tagged Delimited");
    return r;
}

TEST(TypeDefinition, TypeInPlaceGetsItsAttributesAndMembershipEachTimeItIsDefined) {
    Defs t;
    int outer = t.type("Outer");
    DefinitionRecord r = typeFormat(t);
    r.ident = t.n("Inner");
    r.name = t.n("Inner type");
    r.composition = 2;
    r.typeContent = 1;
    r.minOccurs = 0;
    r.maxOccurs = -2;
    EXPECT_EQ(processTypeDef(t.run, t.run, r, outer), 2);
    EXPECT_EQ(processTypeDef(t.run, t.run, r, outer), 2);
    EXPECT_EQ(t.output(), "");
    EXPECT_EQ((Ints{t.run.types.count(), t.run.types[2].label, t.run.types[2].typeContent}), (Ints{2, r.name, 1}));
    Strings once{"104/2/24/2=3", "104/2/21/2={", "104/2/22/2=}",
                 "104/2/23/2=:", "104/2/26/2=,", "104/2/25/2=Tagged Delimited"};
    Strings twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(t.attributes(), twice);
    EXPECT_EQ(t.member(1), "1:0,0,2:8:0,-2:0,2:");
    EXPECT_EQ(t.member(2), "1:0,0,2:8:0,-2:1,0:");
}

TEST(TypeDefinition, CompositionRules) {
    Defs t;
    int ordered = t.type("Ordered", 5);
    EXPECT_EQ(t.type("InChoice", 6, t.type("Choice", 2)), 3);
    EXPECT_EQ(t.output(), "");
    EXPECT_EQ(t.type("Nested", 6, ordered), 4);
    EXPECT_EQ(t.member(2), "1:0,0,4:8:-1,-1:0,0:");
    EXPECT_EQ(
        processTypeDef(t.run, t.run, DefinitionRecord{.ident = t.n("Based"), .baseType = 50106, .composition = 5}, 0),
        5);
    processTypeDef(t.run, t.run, DefinitionRecord{.ident = t.n("Seq"), .baseType = 50106, .composition = 6}, 0);
    EXPECT_EQ(t.output(), "*****Error - parent type (Ordered) of type (Nested) must be sequence or choice\n"
                          "*****Error - base type can only be specified for sequence types - Based\n");
    EXPECT_EQ(t.run.errSw, 0);
    EXPECT_EQ(t.run.types[5].baseType, 50106);

    for (int composition : {3, 4})
        for (int sep = 1; sep <= 7; ++sep) {
            Defs u;
            DefinitionRecord r{.ident = u.n("U"), .composition = composition, .dataElemSep = sep};
            EXPECT_EQ(processTypeDef(u.run, u.run, r, 0), 1);
            bool invalid = sep >= 3 && sep <= 6;
            EXPECT_EQ(u.output(),
                      invalid ? "*****Error - Invalid combination of composition and data element sep - U\n" : "")
                << composition << "/" << sep;
        }
}

TEST(TypeDefinition, TypeByReferenceAndTypeWithoutIdentifier) {
    Defs t;
    int owner = t.type("Owner");
    int ordered = t.type("Ordered", 5);
    EXPECT_EQ(processTypeDef(t.run, t.run, DefinitionRecord{.ref = t.n("R"), .ident = t.n("I")}, owner), 0);
    EXPECT_EQ(processTypeDef(t.run, t.run, DefinitionRecord{.ref = t.n("R")}, 0), 0);
    EXPECT_EQ(processTypeDef(t.run, t.run, DefinitionRecord{.name = t.n("Nm")}, owner), 0);
    EXPECT_EQ(t.output(), "*****Error - type cannot have both identifier/name and ref R\n"
                          "*****Error - type with ref (R) must be within a type\n"
                          "*****Error - required parameter missing on type Nm\n");
    EXPECT_EQ(t.run.types.count() + t.run.typeMembers.count(), 2);
    t.out.clear();
    DefinitionRecord r = typeFormat(t);
    r.ref = t.n("R");
    r.baseType = 50106;
    r.composition = 6;
    r.typeContent = 3;
    r.minOccurs = 1;
    r.maxOccurs = 7;
    EXPECT_EQ(processTypeDef(t.run, t.run, r, ordered), 0);
    EXPECT_EQ(t.output(), "*****Error - parent type (Ordered) of type (R) must be sequence or choice\n" +
                              errors("tagLen (3)|groupInd ({)|groupTerm (})|tagDataSep (:)|delimiter (,)|"
                                     "dataElemSep (Tagged Delimited)|baseType (50106)|composition (6)|typeContent (3)",
                                     " not valid with ref= parameter for type R\n"));
    EXPECT_EQ(t.run.types.count() + t.run.attributes.count(), 2);
    EXPECT_EQ(t.member(1), "2:0,0,0:8:1,7:0,0:R");
}

TEST(ValueDefinition, ValuesAndTheirUses) {
    Defs t;
    DefinitionRecord v{
        .name = t.n("Red colour"), .ident = t.n("Red"), .typeCode = 50105, .valueText = t.n("R"), .role = 2};
    processValueDef(t.run, t.run, v, 7);
    processValueDef(t.run, t.run, v, 0); // defined again: a second entry, used by no element
    const ValueEntry& value = t.run.values[1];
    EXPECT_EQ((Ints{t.run.values.count(), value.ident, value.label, value.dataType, value.valueText}),
              (Ints{2, v.ident, v.name, 50105, v.valueText}));
    const ValueMemberEntry& use = t.run.valueMembers[1];
    EXPECT_EQ((Ints{t.run.valueMembers.count(), use.valueId, use.elemId, use.refName, use.role}),
              (Ints{1, 1, 7, 0, 2}));
    EXPECT_EQ(t.output(), "");

    processValueDef(t.run, t.run, DefinitionRecord{.ident = t.n("Blue"), .typeCode = 50105, .valueText = t.n("B")}, 7);
    EXPECT_EQ(t.run.values[3].label, 0);
    processValueDef(t.run, t.run, DefinitionRecord{.ident = t.n("Green"), .typeCode = 50105}, 7);
    processValueDef(t.run, t.run, DefinitionRecord{.typeCode = 50105, .valueText = t.n("G")}, 7);
    processValueDef(t.run, t.run, DefinitionRecord{.ref = t.n("Red"), .ident = t.n("X")}, 7);
    processValueDef(t.run, t.run, DefinitionRecord{.ref = t.n("Red")}, 0);
    processValueDef(t.run, t.run, DefinitionRecord{.ref = t.n("Red"), .role = 1}, 9);
    EXPECT_EQ(t.output(), "*****Error - role is required for all uses of a value Blue\n"
                          "*****Error - required parameter missing on value Green\n"
                          "*****Error - required parameter missing on value \n"
                          "*****Error - value cannot have both identifier/name and ref Red in value\n"
                          "*****Error - value with ref (Red) must be within an element\n");
    const ValueMemberEntry& byRef = t.run.valueMembers[3];
    EXPECT_EQ((Ints{t.run.values.count(), t.run.valueMembers.count(), byRef.valueId, byRef.elemId, byRef.role,
                    byRef.refName}),
              (Ints{3, 3, 0, 9, 1, t.n("Red")}));
}

TEST(MessageDefinition, MessagesAndTheirMemberships) {
    Defs t;
    int owner = t.type("Owner");
    DefinitionRecord m{.ident = t.n("Order"), .typeName = t.n("OrderType")};
    processMessageDef(t.run, t.run, m, 0);
    DefinitionRecord again{.name = t.n("Second"), .ident = m.ident, .typeName = t.n("OtherType"), .minOccurs = 1};
    processMessageDef(t.run, t.run, again, owner);
    EXPECT_EQ((Ints{t.run.messages.count(), t.run.messages[1].label, t.run.messages[1].typeName}),
              (Ints{1, m.ident, again.typeName}));
    EXPECT_EQ(t.member(1), "1:0,1,0:4:1,-1:0,0:");
    EXPECT_EQ(t.output(), "");

    processMessageDef(t.run, t.run, DefinitionRecord{.ident = t.n("NoType")}, owner);
    processMessageDef(t.run, t.run, DefinitionRecord{.ref = t.n("Order"), .name = t.n("N")}, owner);
    processMessageDef(t.run, t.run, DefinitionRecord{.ref = t.n("Order")}, 0);
    processMessageDef(t.run, t.run, DefinitionRecord{.ref = t.n("Order"), .maxOccurs = -2}, owner);
    EXPECT_EQ(t.output(), "*****Error - required parameter missing on message NoType\n"
                          "*****Error - message cannot have both identifier/name and ref Order\n"
                          "*****Error - message with ref (Order) must be within a type\n");
    EXPECT_EQ(t.run.messages.count() + t.run.typeMembers.count(), 3);
    EXPECT_EQ(t.member(2), "1:0,0,0:4:-1,-2:1,0:Order");
}

} // namespace
} // namespace norvak::test

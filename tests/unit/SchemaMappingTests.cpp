// Unit tests of the schemas' mappings: logical and physical types to JSON Schema and XML Schema types and facets.
#include "codegen/JsonSchema.h"
#include "codegen/XmlSchema.h"
#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "layout/FieldSizes.h"

#include <gtest/gtest.h>

namespace norvak {
namespace {

using Json = nlohmann::ordered_json;
using Facets = std::vector<std::pair<std::string, std::string>>;

CwfForm form(int physicalType, std::int64_t length, int sign = signNone, std::int64_t point = 0) {
    CwfForm cwf;
    cwf.present = true;
    cwf.physicalType = physicalType;
    cwf.length = length;
    cwf.signOrientation = sign;
    cwf.decimalPoint = point;
    return cwf;
}

XmlValueForm written(std::string format, std::string encoding, std::string yes = "", std::string no = "") {
    XmlValueForm xml;
    xml.format = std::move(format);
    xml.encoding = std::move(encoding);
    xml.booleanTrue = std::move(yes);
    xml.booleanFalse = std::move(no);
    return xml;
}

Json json(int logicalType, const CwfForm& cwf = {}, const ValueFacets& facets = {}) {
    std::vector<std::string> why;
    Json schema = jsonValueSchema(logicalType, cwf, facets, why);
    EXPECT_TRUE(why.empty()) << why.front();
    return schema;
}

XsdSimpleType xsd(int logicalType, const CwfForm& cwf = {}, const ValueFacets& facets = {},
                  const XmlValueForm& xml = {}) {
    std::vector<std::string> why;
    XsdSimpleType type = xsdSimpleType(logicalType, cwf, facets, xml, why);
    EXPECT_TRUE(why.empty()) << why.front();
    return type;
}

TEST(SchemaMappings, IntegersTakeTheRangeTheirCwfFieldHoldsNarrowedByTheirValues) {
    EXPECT_EQ(json(logicalInteger), Json({{"type", "integer"}}));
    EXPECT_EQ(json(logicalInteger, form(physicalInteger, 2)),
              Json({{"type", "integer"}, {"minimum", -32768}, {"maximum", 32767}}));
    EXPECT_EQ(json(logicalInteger, form(physicalInteger, 8))["maximum"], Json(9223372036854775807LL));
    // Zoned digits: signed or not; a separate sign is a character more
    // than the digits the length counts.
    EXPECT_EQ(json(logicalInteger, form(physicalExtendedDecimal, 4)),
              Json({{"type", "integer"}, {"minimum", 0}, {"maximum", 9999}}));
    EXPECT_EQ(json(logicalInteger, form(physicalExtendedDecimal, 4, signSeparateLeading))["minimum"], Json(-9999));
    // Packed digits are signed: 2n-1 of them.
    EXPECT_EQ(json(logicalInteger, form(physicalPacked, 3))["maximum"], Json(99999));
    ValueFacets facets;
    facets.minInclusive = "1";
    facets.maxInclusive = "40000";
    EXPECT_EQ(json(logicalInteger, form(physicalInteger, 2), facets),
              Json({{"type", "integer"}, {"minimum", 1}, {"maximum", 32767}}));
    EXPECT_EQ(xsd(logicalInteger, form(physicalInteger, 2), facets).facets,
              Facets({{"minInclusive", "1"}, {"maxInclusive", "32767"}}));
    // A least value beyond what the field holds would leave no value: it goes.
    ValueFacets above;
    above.minInclusive = "50000";
    std::vector<std::string> why;
    EXPECT_EQ(xsdSimpleType(logicalInteger, form(physicalInteger, 2), above, {}, why).facets,
              Facets({{"minInclusive", "-32768"}, {"maxInclusive", "32767"}}));
    EXPECT_EQ(why.size(), 1U);
    // Beyond 64 bits nothing bounds it.
    EXPECT_EQ(json(logicalInteger, form(physicalPacked, 12)), Json({{"type", "integer"}}));
}

TEST(SchemaMappings, DecimalsAreExactTextsOfTheDigitsTheirCwfFieldHolds) {
    EXPECT_EQ(json(logicalDecimal), Json({{"type", "string"}, {"pattern", "^[+-]?[0-9]+(\\.[0-9]+)?$"}}));
    EXPECT_EQ(json(logicalDecimal, form(physicalPacked, 4, signNone, 2))["pattern"],
              Json("^[+-]?[0-9]{1,5}(\\.[0-9]{1,2})?$"));
    EXPECT_EQ(json(logicalDecimal, form(physicalExtendedDecimal, 5, signNone, 0))["pattern"],
              Json("^\\+?[0-9]{1,5}$"));
    EXPECT_EQ(json(logicalDecimal, form(physicalExtendedDecimal, 3, signIncludedLeading, 3))["pattern"],
              Json("^[+-]?(0|0?\\.[0-9]{1,3})$"));
    EXPECT_EQ(xsd(logicalDecimal, form(physicalPacked, 4, signNone, 2)).facets,
              Facets({{"totalDigits", "7"}, {"fractionDigits", "2"}}));
    EXPECT_EQ(xsd(logicalDecimal, form(physicalExtendedDecimal, 5)).facets,
              Facets({{"totalDigits", "5"}, {"fractionDigits", "0"}, {"minInclusive", "0"}}));
    // A point outside the digits, or a scaled binary integer: any decimal,
    // said as not exact.
    std::vector<std::string> why;
    EXPECT_EQ(jsonValueSchema(logicalDecimal, form(physicalPacked, 2, signNone, 5), {}, why)["pattern"],
              Json("^[+-]?[0-9]+(\\.[0-9]+)?$"));
    EXPECT_EQ(why.size(), 1U);
    EXPECT_TRUE(xsdSimpleType(logicalDecimal, form(physicalInteger, 4, signNone, 2), {}, {}, why).facets.empty());
    EXPECT_EQ(why.size(), 2U);
    // A least or most value: XML Schema holds it, a pattern does not.
    ValueFacets bounds;
    bounds.maxInclusive = "100.0";
    EXPECT_EQ(xsd(logicalDecimal, {}, bounds).facets, Facets({{"maxInclusive", "100.0"}}));
    jsonValueSchema(logicalDecimal, {}, bounds, why);
    EXPECT_EQ(why.size(), 3U);
}

TEST(SchemaMappings, TextsTakeTheirLengthsAndValues) {
    ValueFacets facets;
    facets.minLength = 2;
    facets.enumeration = {"USD", "EUR"};
    EXPECT_EQ(json(logicalString, form(physicalFixedLength, 3), facets),
              Json({{"type", "string"}, {"minLength", 2}, {"maxLength", 3}, {"enum", {"USD", "EUR"}}}));
    EXPECT_EQ(xsd(logicalString, form(physicalFixedLength, 3), facets).facets,
              Facets({{"minLength", "2"}, {"maxLength", "3"}, {"enumeration", "USD"}, {"enumeration", "EUR"}}));
    // Bytes under UTF-16 hold half as many characters; a length in
    // characters holds as many.
    CwfForm wide = form(physicalFixedLength, 10);
    wide.bytesPerCharacter = 2;
    EXPECT_EQ(json(logicalString, wide)["maxLength"], Json(5));
    wide.lengthUnits = unitsCharacters;
    EXPECT_EQ(json(logicalString, wide)["maxLength"], Json(10));
    // Values of an integer are numbers; one that is none is left out.
    ValueFacets levels;
    levels.enumeration = {"1", "-2", "x"};
    std::vector<std::string> why;
    EXPECT_EQ(jsonValueSchema(logicalInteger, form(physicalInteger, 1), levels, why),
              Json({{"type", "integer"}, {"enum", {1, -2}}}));
    EXPECT_EQ(why, std::vector<std::string>{"an enumeration value x of another type; left out"});
}

TEST(SchemaMappings, TheOtherLogicalTypesAsTheXmlTabWritesThem) {
    EXPECT_EQ(json(logicalBoolean), Json({{"type", "boolean"}}));
    EXPECT_EQ(json(logicalFloat), Json({{"type", "number"}}));
    EXPECT_EQ(json(logicalBinary), Json({{"type", "string"}, {"contentEncoding", "base64"}}));
    EXPECT_EQ(xsd(logicalFloat, form(physicalFloat, 4)).base, "xs:float");
    EXPECT_EQ(xsd(logicalFloat, form(physicalFloat, 8)).base, "xs:double");
    EXPECT_EQ(xsd(logicalBinary).base, "xs:base64Binary");
    EXPECT_EQ(xsd(logicalBinary, {}, {}, written("", "HEX")).base, "xs:hexBinary");
    EXPECT_EQ(xsd(logicalDateTime).base, "xs:dateTime");
    EXPECT_EQ(xsd(logicalDateTime, {}, {}, written("yyyy-MM-dd", "")).base, "xs:date");
    EXPECT_EQ(xsd(logicalBoolean, {}, {}, written("", "", "true", "false")).base, "xs:boolean");
    // A tab's own words for true and false are the only texts.
    XsdSimpleType yesNo = xsd(logicalBoolean, {}, {}, written("", "", "Y", "N"));
    EXPECT_EQ(yesNo.base, "xs:string");
    EXPECT_EQ(yesNo.facets, Facets({{"enumeration", "Y"}, {"enumeration", "N"}}));
    std::vector<std::string> why;
    EXPECT_EQ(xsdSimpleType(logicalDateTime, {}, {}, written("dd/MM/yy", ""), why).base, "xs:string");
    EXPECT_EQ(why.size(), 1U);
}

TEST(SchemaMappings, NamesAndOccurrences) {
    EXPECT_EQ(xmlNameOf("customerId"), "customerId");
    EXPECT_EQ(xmlNameOf("2nd part"), "_2nd_part");
    EXPECT_EQ(xmlNameOf("xmlThing"), "_xmlThing");
    StoredTypeMember row;
    EXPECT_EQ(occurrencesOf(row).least, 1);
    EXPECT_EQ(occurrencesOf(row).most, std::optional<std::int64_t>(1));
    row.repeats = 1; // unbounded: no maximum and the repeat mark
    EXPECT_EQ(occurrencesOf(row).most, std::nullopt);
    row.minOccurs = "0";
    row.maxOccurs = "5";
    EXPECT_EQ(occurrencesOf(row).least, 0);
    EXPECT_EQ(occurrencesOf(row).most, std::optional<std::int64_t>(5));
}

} // namespace
} // namespace norvak

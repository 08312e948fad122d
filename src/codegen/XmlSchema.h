#pragma once

#include "codegen/SchemaForms.h"
#include "setmodel/MessageSetModel.h"

#include <string>
#include <utility>
#include <vector>

namespace norvak {

// The XML Schema of messages as an XML tab writes them: an element or
// attribute per member as its render says, under its XML name, the root tag
// around the messages, ID and value attributes, enumerations, occurrences
// and types by logical type. What XML Schema cannot say is written as its
// nearest equivalent with a comment and listed in `approximations`.
struct XmlSchemaDocument {
    std::string text;
    std::vector<std::string> approximations;
};

// The schema of the messages in the XML tab `xmlTab`; the digits of
// decimals and the ranges of integers from the CWF tab `cwfTab` where there
// is one.
XmlSchemaDocument xmlSchemaOf(const MessageSetModel& model, const std::vector<const ModelMessage*>& messages,
                              const ModelPlugin& xmlTab, const ModelPlugin* cwfTab);

// How the XML tab writes a simple value: the date and time format of the
// use, the binary encoding, and the tab's texts for true and false (empty
// for the default).
struct XmlValueForm {
    std::string format;
    std::string encoding;
    std::string booleanTrue;
    std::string booleanFalse;
};

// A built-in type and the facets that restrict it (name and value, in the
// order written); no facets for the built-in type as it is.
struct XsdSimpleType {
    std::string base;
    std::vector<std::pair<std::string, std::string>> facets;
};

// The type of one simple value: its logical type as the XML tab writes
// it, within what its CWF form holds and the facets of its values. What it
// cannot say is added to `approximations`, one reason each.
XsdSimpleType xsdSimpleType(int logicalType, const CwfForm& form, const ValueFacets& facets, const XmlValueForm& xml,
                            std::vector<std::string>& approximations);

// A name an XML element, attribute or type can take: each character no
// name holds an underscore, an underscore before a first character no name
// starts with.
std::string xmlNameOf(const std::string& text);

} // namespace norvak

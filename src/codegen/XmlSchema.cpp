// The XML Schema of messages in an XML tab: renders, XML names, the root tag, built-in types and their facets.
#include "codegen/XmlSchema.h"

#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "layout/FieldSizes.h"
#include "support/StringUtilities.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>
#include <unordered_set>

namespace norvak {

namespace {

// The renders of a member (the codes of renderWords).
enum Render : int { renderElement = 0, renderAttribute = 1, renderIdAttribute = 2, renderValue = 3, renderIdValue = 4 };

constexpr std::int64_t floatBytes = 4;

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A comment's text: no "--" within it and no "-" at its end.
std::string commentText(std::string text) {
    for (std::size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at))
        text.replace(at, 2, "- -");
    return text.ends_with('-') ? text + " " : text;
}

std::string lowerCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void boundedDigits(XsdSimpleType& type, const CwfForm& form, std::vector<std::string>& why) {
    std::optional<DecimalDigits> digits = decimalDigitsOf(form);
    if (digits && digits->outside)
        why.push_back("a decimal whose digits its CWF form does not bound exactly; any decimal is taken");
    if (!digits || digits->outside)
        return;
    type.facets.emplace_back("totalDigits", std::to_string(digits->total));
    type.facets.emplace_back("fractionDigits", std::to_string(digits->fraction));
    if (form.physicalType == physicalExtendedDecimal && form.signOrientation == signNone)
        type.facets.emplace_back("minInclusive", "0");
}

void integerRange(XsdSimpleType& type, const CwfForm& form, const ValueFacets& facets, std::vector<std::string>& why) {
    std::optional<IntegerRange> range = integerRangeOf(form);
    std::optional<std::string> least;
    std::optional<std::string> most;
    if (range && !range->tooWide) {
        least = std::to_string(range->least);
        most = std::to_string(range->most);
    }
    // A value's bound narrows the range when it is an integer within it.
    auto narrow = [&](const std::optional<std::string>& text, std::optional<std::string>& bound, bool isLeast) {
        if (!text)
            return;
        if (!isIntegerText(*text) || text->size() > 18) {
            why.push_back("a bound " + *text + " that is no integer of 64 bits; left out");
            return;
        }
        const long long value = std::stoll(*text);
        if (!bound || (isLeast ? value > std::stoll(*bound) : value < std::stoll(*bound)))
            bound = std::to_string(value);
    };
    narrow(facets.minInclusive, least, true);
    narrow(facets.maxInclusive, most, false);
    if (least && most && std::stoll(*least) > std::stoll(*most)) {
        why.push_back("a least value above the most it holds; left out");
        least = range && !range->tooWide ? std::optional<std::string>(std::to_string(range->least)) : std::nullopt;
    }
    if (least)
        type.facets.emplace_back("minInclusive", *least);
    if (most)
        type.facets.emplace_back("maxInclusive", *most);
}

void decimalBounds(XsdSimpleType& type, const ValueFacets& facets, std::vector<std::string>& why) {
    auto bound = [&](const std::optional<std::string>& text, const char* name) {
        if (!text)
            return;
        if (!isDecimalText(*text)) {
            why.push_back("a bound " + *text + " that is no number; left out");
            return;
        }
        std::erase_if(type.facets, [&](const auto& facet) { return facet.first == name; });
        type.facets.emplace_back(name, *text);
    };
    bound(facets.minInclusive, "minInclusive");
    bound(facets.maxInclusive, "maxInclusive");
}

std::string dateTimeType(const std::string& format, std::vector<std::string>& why) {
    if (format.empty() || format.starts_with("yyyy-MM-dd'T'HH:mm:ss"))
        return "xs:dateTime";
    if (format == "yyyy-MM-dd")
        return "xs:date";
    if (format.starts_with("HH:mm:ss"))
        return "xs:time";
    why.push_back("a date and time in format " + format + ", which no built-in type holds; written as text");
    return "xs:string";
}

std::string binaryType(const std::string& encoding, std::vector<std::string>& why) {
    const std::string word = lowerCase(encoding);
    if (word.starts_with("hex"))
        return "xs:hexBinary";
    if (!word.empty() && word != "base64")
        why.push_back("binary in encoding " + encoding + ", taken as base64");
    return "xs:base64Binary";
}

XsdSimpleType booleanType(const XmlValueForm& xml) {
    const std::string yes = xml.booleanTrue.empty() ? "true" : xml.booleanTrue;
    const std::string no = xml.booleanFalse.empty() ? "false" : xml.booleanFalse;
    if ((yes == "true" || yes == "1") && (no == "false" || no == "0"))
        return {"xs:boolean", {}};
    return {"xs:string", {{"enumeration", yes}, {"enumeration", no}}};
}

XsdSimpleType baseType(int logicalType, const CwfForm& form, const ValueFacets& facets, const XmlValueForm& xml,
                       std::vector<std::string>& why) {
    XsdSimpleType type;
    switch (logicalType) {
    case logicalString:
        type.base = "xs:string";
        if (facets.minLength)
            type.facets.emplace_back("minLength", std::to_string(std::max<std::int64_t>(0, *facets.minLength)));
        if (std::optional<std::int64_t> most = mostCharactersOf(form); most || facets.maxLength)
            type.facets.emplace_back("maxLength", std::to_string(std::max<std::int64_t>(
                                                      0, std::min(most.value_or(*facets.maxLength),
                                                                  facets.maxLength.value_or(*most)))));
        return type;
    case logicalInteger:
        type.base = "xs:integer";
        integerRange(type, form, facets, why);
        return type;
    case logicalFloat:
        type.base = form.physicalType == physicalFloat && form.length == floatBytes ? "xs:float" : "xs:double";
        return type;
    case logicalDecimal:
        type.base = "xs:decimal";
        boundedDigits(type, form, why);
        decimalBounds(type, facets, why);
        return type;
    case logicalBoolean:
        return booleanType(xml);
    case logicalDateTime:
        return {dateTimeType(xml.format, why), {}};
    case logicalBinary:
        return {binaryType(xml.encoding, why), {}};
    default:
        why.push_back("of a logical type a schema does not know; written as text");
        return {"xs:string", {}};
    }
}

// Whether a text is a value of a built-in type the enumerations are kept for.
bool holdsValue(const std::string& base, const std::string& text) {
    if (base == "xs:integer")
        return isIntegerText(text);
    if (base == "xs:decimal" || base == "xs:float" || base == "xs:double")
        return isDecimalText(text);
    return base == "xs:string";
}

} // namespace

XsdSimpleType xsdSimpleType(int logicalType, const CwfForm& form, const ValueFacets& facets, const XmlValueForm& xml,
                            std::vector<std::string>& approximations) {
    XsdSimpleType type = baseType(logicalType, form, facets, xml, approximations);
    std::vector<std::pair<std::string, std::string>> values;
    for (const std::string& text : facets.enumeration) {
        if (holdsValue(type.base, text))
            values.emplace_back("enumeration", text);
        else
            approximations.push_back("an enumeration value " + text + " of another type; left out");
    }
    if (!values.empty()) {
        // The values say more than any bound: the bounds go.
        std::erase_if(type.facets, [](const auto& facet) {
            return facet.first == "minInclusive" || facet.first == "maxInclusive" || facet.first == "enumeration";
        });
        type.facets.insert(type.facets.end(), values.begin(), values.end());
    }
    return type;
}

std::string xmlNameOf(const std::string& text) {
    std::string name;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool kept = std::isalnum(byte) != 0 || c == '_' || c == '-' || c == '.' || byte >= 0x80;
        name += kept ? c : '_';
    }
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])) != 0 || name[0] == '-' || name[0] == '.' ||
        lowerCase(name.substr(0, 3)) == "xml")
        name.insert(0, "_");
    return name;
}

namespace {

std::string textOf(const EffectiveProperties& properties, const char* name) {
    auto found = properties.find(name);
    return found == properties.end() || !found->second.value ? std::string() : *found->second.value;
}

std::string settingOf(const ModelPlugin& tab, const char* name) {
    for (const StoredAttribute* row : tab.settings)
        if (row->name == name && row->value)
            return *row->value;
    return "";
}

std::string occursText(const Occurrences& occurs) {
    std::string text;
    if (occurs.least != 1)
        text += " minOccurs=\"" + std::to_string(occurs.least) + "\"";
    if (occurs.most != 1)
        text += " maxOccurs=\"" + (occurs.most ? std::to_string(*occurs.most) : std::string("unbounded")) + "\"";
    return text;
}

// The particles and attributes of one complex type, as they are written.
struct Content {
    std::vector<std::string> particles;
    std::vector<std::string> attributes;
    std::unordered_set<std::string> elementNames;
    std::unordered_set<std::string> attributeNames;
    bool repeats = false;
};

class XmlSchemaWriter {
  public:
    XmlSchemaWriter(const MessageSetModel& model, const ModelPlugin& xmlTab, const ModelPlugin* cwfTab,
                    XmlSchemaDocument& document)
        : model_(model), xmlTab_(xmlTab), cwfTab_(cwfTab), document_(document) {
        xml_.booleanTrue = settingOf(xmlTab, rows::xmlTabBooleanTrue.name);
        xml_.booleanFalse = settingOf(xmlTab, rows::xmlTabBooleanFalse.name);
    }

    void write(const std::vector<const ModelMessage*>& messages);

  private:
    std::string typeName(const ModelType& type);
    std::string complexType(const ModelType& type);
    void member(const ModelMember& member, const std::string& owner, bool choice, Content& content);
    bool itemOf(const ModelMember& member, std::string& name, std::string& type);
    bool attribute(const ModelMember& member, const std::string& name, const std::string& type,
                   const Occurrences& occurs, bool choice, Content& content, const std::string& path);
    std::string simpleTypeName(const ModelMember& member, const EffectiveProperties& properties,
                               const std::string& path);
    void renderedElement(const ModelMember& member, const std::string& name, const std::string& type,
                         const Occurrences& occurs, const EffectiveProperties& properties, Content& content,
                         const std::string& path);
    std::string uniqueName(const std::string& name);
    std::string approximate(const std::string& path, const std::string& why);

    const MessageSetModel& model_;
    const ModelPlugin& xmlTab_;
    const ModelPlugin* cwfTab_;
    XmlSchemaDocument& document_;
    XmlValueForm xml_;
    std::unordered_set<std::string> typeNames_;
    std::unordered_map<std::int32_t, std::string> complexNames_;
    std::unordered_map<std::string, std::string> simpleNames_; // by element id and the restriction's text
    std::vector<std::string> definitions_;
};

std::string XmlSchemaWriter::approximate(const std::string& path, const std::string& why) {
    document_.approximations.push_back(path + ": " + why);
    return "<!-- " + commentText("Not exact: " + path + " is " + why + ".") + " -->";
}

std::string XmlSchemaWriter::uniqueName(const std::string& name) {
    std::string candidate = name;
    for (int use = 2; !typeNames_.insert(candidate).second; ++use)
        candidate = name + "_" + std::to_string(use);
    return candidate;
}

std::string XmlSchemaWriter::typeName(const ModelType& type) {
    if (auto known = complexNames_.find(type.row->id); known != complexNames_.end())
        return known->second;
    const std::string name = uniqueName(xmlNameOf(type.row->identifier));
    complexNames_.emplace(type.row->id, name);
    std::string text = complexType(type);
    definitions_.push_back("  <xs:complexType name=\"" + name + "\">\n" + text + "  </xs:complexType>\n");
    return name;
}

// The named simple type of a member's value, or the built-in type when
// nothing restricts it; restrictions of the same text share one name.
std::string XmlSchemaWriter::simpleTypeName(const ModelMember& member, const EffectiveProperties& properties,
                                            const std::string& path) {
    const ModelElement& element = *member.childElement;
    XmlValueForm xml = xml_;
    xml.format = textOf(properties, rows::xmlMemberFormat.name);
    if (xml.format.empty())
        xml.format = textOf(properties, rows::xmlElementFormat.name);
    xml.encoding = textOf(properties, rows::xmlMemberEncoding.name);
    std::vector<std::string> why;
    const XsdSimpleType type =
        xsdSimpleType(element.logicalType, cwfFormOf(model_, member, cwfTab_), valueFacetsOf(element), xml, why);
    std::string comments;
    for (const std::string& reason : why)
        comments += "      " + approximate(path, reason) + "\n";
    if (type.facets.empty() && comments.empty())
        return type.base;
    std::string restriction = "    <xs:restriction base=\"" + type.base + "\">\n" + comments;
    for (const auto& [facet, value] : type.facets)
        restriction += "      <xs:" + facet + " value=\"" + escaped(value) + "\"/>\n";
    restriction += "    </xs:restriction>\n";
    const std::string key = std::to_string(element.row->id) + "\n" + restriction;
    if (auto known = simpleNames_.find(key); known != simpleNames_.end())
        return known->second;
    const std::string name = uniqueName(xmlNameOf(element.row->identifier) + "_value");
    simpleNames_.emplace(key, name);
    definitions_.push_back("  <xs:simpleType name=\"" + name + "\">\n" + restriction + "  </xs:simpleType>\n");
    return name;
}

// An element of a simple value with the attributes of its render: a fixed
// ID attribute around its text, or its value in an attribute of an empty
// element, or both.
void XmlSchemaWriter::renderedElement(const ModelMember& member, const std::string& name, const std::string& type,
                                      const Occurrences& occurs, const EffectiveProperties& properties,
                                      Content& content, const std::string& path) {
    const int render = leadingNumberOrZero(textOf(properties, rows::xmlMemberRender.name).c_str());
    const std::string idName = xmlNameOf(textOf(properties, rows::xmlMemberIdAttributeName.name));
    const std::string idValue = textOf(properties, rows::xmlMemberIdAttributeValue.name);
    std::string valueName = textOf(properties, rows::xmlMemberValueAttributeName.name);
    valueName = valueName.empty() && render == renderValue ? idName : xmlNameOf(valueName);
    const bool withId = render == renderIdAttribute || render == renderIdValue;
    const bool withValue = render == renderValue || render == renderIdValue;
    std::string head = "<xs:element name=\"" + name + "\"" + occursText(occurs);
    if ((!withId && !withValue) || member.childElement->type != nullptr) {
        if (withId || withValue)
            content.particles.push_back(approximate(path, "a complex element rendered with attributes; written as an element"));
        content.particles.push_back(head + " type=\"" + type + "\"/>");
        return;
    }
    std::string idAttribute = "<xs:attribute name=\"" + idName + "\" type=\"xs:string\" use=\"required\"" +
                              (idValue.empty() ? std::string() : " fixed=\"" + escaped(idValue) + "\"") + "/>";
    if (withId && withValue && idName == valueName) {
        content.particles.push_back(approximate(path, "an ID and a value attribute of one name; written with the value attribute"));
        idAttribute.clear();
    }
    std::string body = "<xs:complexType>";
    if (withValue) {
        body += (withId ? idAttribute : "") + "<xs:attribute name=\"" + valueName + "\" type=\"" + type +
                "\" use=\"required\"/>";
    } else {
        body += "<xs:simpleContent><xs:extension base=\"" + type + "\">" + idAttribute +
                "</xs:extension></xs:simpleContent>";
    }
    content.particles.push_back(head + ">" + body + "</xs:complexType></xs:element>");
}

// The name and the named type of the item a member uses (the type empty
// for a simple element, whose type is its value's); false for a member
// naming no item of the set.
bool XmlSchemaWriter::itemOf(const ModelMember& member, std::string& name, std::string& type) {
    if (const ModelElement* element = member.childElement; element != nullptr) {
        name = name.empty() ? element->row->identifier : name;
        type = element->type != nullptr ? typeName(*element->type) : "";
    } else if (member.childType != nullptr) {
        name = name.empty() ? member.childType->row->identifier : name;
        type = typeName(*member.childType);
    } else if (member.childMessage != nullptr && member.childMessage->type != nullptr) {
        name = name.empty() ? member.childMessage->row->identifier : name;
        type = typeName(*member.childMessage->type);
    } else {
        return false;
    }
    return true;
}

// A member rendered as an attribute: false when an attribute cannot hold
// it (it repeats, is complex, or its name is taken), said as not exact.
bool XmlSchemaWriter::attribute(const ModelMember& member, const std::string& name, const std::string& type,
                                const Occurrences& occurs, bool choice, Content& content, const std::string& path) {
    const bool simple = member.childElement != nullptr && member.childElement->type == nullptr;
    if (!simple || occurs.most != 1 || !content.attributeNames.insert(name).second) {
        content.particles.push_back(
            approximate(path, "an attribute that repeats, is complex or is used again; written as an element"));
        return false;
    }
    if (choice && occurs.least > 0)
        content.attributes.push_back(
            approximate(path, "an alternative of a choice rendered as an attribute; written as optional"));
    const bool required = occurs.least > 0 && !choice;
    content.attributes.push_back("<xs:attribute name=\"" + name + "\" type=\"" + type + "\" use=\"" +
                                 (required ? "required" : "optional") + "\"/>");
    return true;
}

void XmlSchemaWriter::member(const ModelMember& member, const std::string& owner, bool choice, Content& content) {
    const Occurrences occurs = occurrencesOf(*member.row);
    content.repeats = content.repeats || occurs.most != 1 || occurs.least > 1;
    const EffectiveProperties properties = model_.effectiveProperties(member, xmlTab_);
    std::string name = textOf(properties, rows::xmlMemberName.name);
    if (name.empty())
        name = textOf(properties, rows::xmlElementName.name);
    std::string type;
    if (!itemOf(member, name, type)) {
        content.particles.push_back(approximate(owner, "a member naming no item of the set; left out"));
        return;
    }
    const std::string path = owner + "." + name;
    if (xmlNameOf(name) != name)
        content.particles.push_back(approximate(path, "a name XML does not take; written as " + xmlNameOf(name)));
    name = xmlNameOf(name);
    if (type.empty())
        type = simpleTypeName(member, properties, path);
    const int render = leadingNumberOrZero(textOf(properties, rows::xmlMemberRender.name).c_str());
    if (render == renderAttribute && attribute(member, name, type, occurs, choice, content, path))
        return;
    std::string unique = name;
    for (int use = 2; !content.elementNames.insert(unique).second; ++use)
        unique = name + "_" + std::to_string(use);
    if (unique != name)
        content.particles.push_back(approximate(path, "an element used again in its type; written as " + unique));
    renderedElement(member, unique, type, occurs, properties, content, path);
}

std::string XmlSchemaWriter::complexType(const ModelType& type) {
    Content content;
    const int composition = type.row->composition;
    const bool choice = composition == compositionChoice;
    for (const ModelMember* item : type.members)
        member(*item, type.row->identifier, choice, content);
    const bool unordered = composition == compositionUnordered || composition == compositionSimpleUnordered;
    std::string group = choice ? "xs:choice" : unordered && !content.repeats ? "xs:all" : "xs:sequence";
    std::string text;
    if (unordered && content.repeats)
        text += "    " + approximate(type.row->identifier, "unordered with members that repeat; written in sequence") + "\n";
    bool particles = false;
    for (const std::string& particle : content.particles)
        particles = particles || !particle.starts_with("<!--");
    if (particles) {
        text += "    <" + group + ">\n";
        for (const std::string& particle : content.particles)
            text += "      " + particle + "\n";
        text += "    </" + group + ">\n";
    } else {
        for (const std::string& particle : content.particles)
            text += "    " + particle + "\n";
    }
    for (const std::string& attribute : content.attributes)
        text += "    " + attribute + "\n";
    return text;
}

void XmlSchemaWriter::write(const std::vector<const ModelMessage*>& messages) {
    const std::string root = settingOf(xmlTab_, rows::xmlTabRootTagName.name);
    std::string elements;
    std::unordered_set<std::string> names;
    const std::string indent = root.empty() ? "  " : "        ";
    for (const ModelMessage* message : messages) {
        const std::string name = xmlNameOf(message->row->identifier);
        if (message->type == nullptr || !names.insert(name).second) {
            elements += indent + approximate(message->row->identifier, message->type == nullptr
                                                 ? "a message of no type of the set; left out"
                                                 : "a message of a name used before; left out") + "\n";
            continue;
        }
        elements += indent + "<xs:element name=\"" + name + "\" type=\"" + typeName(*message->type) + "\"/>\n";
    }
    std::string& text = document_.text;
    text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" elementFormDefault=\"unqualified\">\n";
    text += "  <!-- " + commentText("XML Schema of XML tab " + xmlTab_.row->name) + " -->\n";
    if (root.empty()) {
        text += elements;
    } else {
        text += "  <xs:element name=\"" + xmlNameOf(root) + "\">\n    <xs:complexType>\n      <xs:choice>\n" +
                elements + "      </xs:choice>\n    </xs:complexType>\n  </xs:element>\n";
    }
    for (const std::string& definition : definitions_)
        text += definition;
    text += "</xs:schema>\n";
}

} // namespace

XmlSchemaDocument xmlSchemaOf(const MessageSetModel& model, const std::vector<const ModelMessage*>& messages,
                              const ModelPlugin& xmlTab, const ModelPlugin* cwfTab) {
    XmlSchemaDocument document;
    XmlSchemaWriter writer(model, xmlTab, cwfTab, document);
    writer.write(messages);
    return document;
}

} // namespace norvak

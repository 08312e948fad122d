// The JSON Schema of messages: an object per type, properties per member, arrays, enumerations, exact decimals.
#include "codegen/JsonSchema.h"

#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "layout/FieldSizes.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>
#include <utility>

namespace norvak {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* metaSchema = "https://json-schema.org/draft/2020-12/schema";

// A JSON number of a text that is one; nothing for any other text.
std::optional<Json> numberOfText(const std::string& text, bool whole) {
    if (whole ? !isIntegerText(text) : !isDecimalText(text))
        return std::nullopt;
    std::string plain = text[0] == '+' ? text.substr(1) : text;
    if (plain[0] == '.' || plain.starts_with("-."))
        plain.insert(plain[0] == '-' ? 1 : 0, "0");
    if (plain.back() == '.')
        plain += "0";
    Json number = Json::parse(plain, nullptr, false);
    if (number.is_discarded() || !number.is_number())
        return std::nullopt;
    return number;
}

// The bounds of an integer: the range of its CWF form narrowed by its
// values' least and most.
void integerBounds(Json& schema, const CwfForm& form, const ValueFacets& facets, std::vector<std::string>& why) {
    std::optional<IntegerRange> range = integerRangeOf(form);
    if (range && !range->tooWide) {
        schema["minimum"] = range->least;
        schema["maximum"] = range->most;
    }
    auto narrow = [&](const std::optional<std::string>& text, const char* key, bool least) {
        if (!text)
            return;
        std::optional<Json> bound = numberOfText(*text, true);
        if (!bound) {
            why.push_back(std::string(least ? "a least" : "a most") + " value " + *text +
                          " that is no integer; left out");
            return;
        }
        if (!schema.contains(key) || (least ? *bound > schema[key] : *bound < schema[key]))
            schema[key] = *bound;
    };
    narrow(facets.minInclusive, "minimum", true);
    narrow(facets.maxInclusive, "maximum", false);
}

void numberBounds(Json& schema, const ValueFacets& facets, std::vector<std::string>& why) {
    auto bound = [&](const std::optional<std::string>& text, const char* key) {
        if (!text)
            return;
        if (std::optional<Json> number = numberOfText(*text, false); number)
            schema[key] = *number;
        else
            why.push_back("a bound " + *text + " that is no number; left out");
    };
    bound(facets.minInclusive, "minimum");
    bound(facets.maxInclusive, "maximum");
}

void stringLengths(Json& schema, const CwfForm& form, const ValueFacets& facets) {
    if (facets.minLength)
        schema["minLength"] = std::max<std::int64_t>(0, *facets.minLength);
    std::optional<std::int64_t> most = mostCharactersOf(form);
    if (facets.maxLength && (!most || *facets.maxLength < *most))
        most = facets.maxLength;
    if (most)
        schema["maxLength"] = std::max<std::int64_t>(0, *most);
}

Json decimalSchema(const CwfForm& form, const ValueFacets& facets, std::vector<std::string>& why) {
    std::optional<DecimalDigits> digits = decimalDigitsOf(form);
    if (digits && digits->outside) {
        why.push_back("a decimal whose digits its CWF form does not bound exactly; any decimal is taken");
        digits.reset();
    }
    const bool sign = !form.present || form.physicalType != physicalExtendedDecimal || form.signOrientation != signNone;
    Json schema = {{"type", "string"}, {"pattern", decimalPattern(digits, sign)}};
    if (facets.minInclusive || facets.maxInclusive)
        why.push_back("a decimal with a least or most value, which a pattern does not hold; left out");
    return schema;
}

Json baseSchema(int logicalType, const CwfForm& form, const ValueFacets& facets, std::vector<std::string>& why) {
    switch (logicalType) {
    case logicalString: {
        Json schema = {{"type", "string"}};
        stringLengths(schema, form, facets);
        return schema;
    }
    case logicalInteger: {
        Json schema = {{"type", "integer"}};
        integerBounds(schema, form, facets, why);
        return schema;
    }
    case logicalFloat: {
        Json schema = {{"type", "number"}};
        numberBounds(schema, facets, why);
        return schema;
    }
    case logicalDecimal:
        return decimalSchema(form, facets, why);
    case logicalBoolean:
        return {{"type", "boolean"}};
    case logicalDateTime:
        return {{"type", "string"}, {"format", "date-time"}};
    case logicalBinary:
        return {{"type", "string"}, {"contentEncoding", "base64"}};
    default:
        why.push_back("of a logical type a schema does not know; any value is taken");
        return Json::object();
    }
}

// A value as the schema's type holds it: a number for an integer or a
// float, the text for the others; nothing when it is not one.
std::optional<Json> typedValue(int logicalType, const std::string& text) {
    if (logicalType == logicalInteger || logicalType == logicalFloat)
        return numberOfText(text, logicalType == logicalInteger);
    if (logicalType == logicalDecimal)
        return isDecimalText(text) ? std::optional<Json>(text) : std::nullopt;
    if (logicalType == logicalBoolean)
        return text == "true" || text == "1"    ? std::optional<Json>(true)
               : text == "false" || text == "0" ? std::optional<Json>(false)
                                                : std::nullopt;
    return Json(text);
}

} // namespace

std::string decimalPattern(const std::optional<DecimalDigits>& digits, bool sign) {
    const std::string start = sign ? "^[+-]?" : "^\\+?";
    if (!digits)
        return start + "[0-9]+(\\.[0-9]+)?$";
    const std::int64_t whole = digits->total - digits->fraction;
    const std::string fraction = "\\.[0-9]{1," + std::to_string(digits->fraction) + "}";
    if (whole <= 0)
        return start + "(0|0?" + fraction + ")$";
    const std::string wholeDigits = "[0-9]{1," + std::to_string(whole) + "}";
    return start + wholeDigits + (digits->fraction > 0 ? "(" + fraction + ")?" : "") + "$";
}

Json jsonValueSchema(int logicalType, const CwfForm& form, const ValueFacets& facets,
                     std::vector<std::string>& approximations) {
    Json schema = baseSchema(logicalType, form, facets, approximations);
    if (!facets.enumeration.empty()) {
        Json values = Json::array();
        for (const std::string& text : facets.enumeration) {
            if (std::optional<Json> value = typedValue(logicalType, text); value)
                values.push_back(*value);
            else
                approximations.push_back("an enumeration value " + text + " of another type; left out");
        }
        if (!values.empty()) {
            schema.erase("minimum");
            schema.erase("maximum");
            schema["enum"] = std::move(values);
        }
    }
    if (facets.defaultValue)
        if (std::optional<Json> value = typedValue(logicalType, *facets.defaultValue); value)
            schema["default"] = *value;
    return schema;
}

namespace {

// A $defs key made a JSON pointer token and a URI fragment: ~ and / escaped
// as the pointer asks, every byte a fragment does not take as %XX.
std::string fragmentOf(const std::string& key) {
    static const char hex[] = "0123456789ABCDEF";
    std::string fragment;
    for (char c : key) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_';
        if (c == '~')
            fragment += "~0";
        else if (c == '/')
            fragment += "~1";
        else if (plain)
            fragment += c;
        else
            fragment += std::string("%") + hex[byte >> 4] + hex[byte & 0xF];
    }
    return fragment;
}

class JsonSchemaWriter {
  public:
    JsonSchemaWriter(const MessageSetModel& model, const ModelPlugin* cwfTab, std::vector<std::string>& approximations)
        : model_(model), cwfTab_(cwfTab), approximations_(approximations) {}

    Json reference(const ModelType& type);
    Json defs() { return std::move(defs_); }

  private:
    Json typeSchema(const ModelType& type);
    std::optional<Json> memberSchema(const ModelMember& member, const std::string& path, std::string& key);
    void approximate(Json& schema, const std::string& path, const std::string& why);

    const MessageSetModel& model_;
    const ModelPlugin* cwfTab_;
    std::vector<std::string>& approximations_;
    Json defs_ = Json::object();
    std::unordered_map<std::int32_t, std::string> keys_;
};

void JsonSchemaWriter::approximate(Json& schema, const std::string& path, const std::string& why) {
    approximations_.push_back(path + ": " + why);
    const std::string said = "Not exact: " + path + " is " + why + ".";
    schema["$comment"] = schema.contains("$comment") ? schema["$comment"].get<std::string>() + " " + said : said;
}

Json JsonSchemaWriter::reference(const ModelType& type) {
    auto known = keys_.find(type.row->id);
    if (known == keys_.end()) {
        std::string key = type.row->identifier;
        for (int use = 2; defs_.contains(key); ++use)
            key = type.row->identifier + "#" + std::to_string(use);
        known = keys_.emplace(type.row->id, key).first;
        defs_[key] = Json::object(); // held while its members are written, for a type within itself
        Json schema = typeSchema(type);
        defs_[key] = std::move(schema);
    }
    return {{"$ref", "#/$defs/" + fragmentOf(known->second)}};
}

// A member's schema, and the key it takes; nothing for a member naming no
// item of the set.
std::optional<Json> JsonSchemaWriter::memberSchema(const ModelMember& member, const std::string& path,
                                                   std::string& key) {
    Json schema;
    if (const ModelElement* element = member.childElement; element != nullptr) {
        key = element->row->identifier;
        if (element->type != nullptr) {
            schema = reference(*element->type);
        } else {
            std::vector<std::string> why;
            schema =
                jsonValueSchema(element->logicalType, cwfFormOf(model_, member, cwfTab_), valueFacetsOf(*element), why);
            for (const std::string& reason : why)
                approximate(schema, path + "." + key, reason);
        }
    } else if (member.childType != nullptr) {
        key = member.childType->row->identifier;
        schema = reference(*member.childType);
    } else if (member.childMessage != nullptr && member.childMessage->type != nullptr) {
        key = member.childMessage->row->identifier;
        schema = reference(*member.childMessage->type);
    } else {
        return std::nullopt;
    }
    // With a CWF tab the items are those its record holds: the repeat count
    // (one where the tab does not repeat the member), or 0 to that count
    // where another field holds the count.
    const Occurrences occurs = occurrencesOf(*member.row);
    const CwfRepeat repeat = cwfRepeatOf(model_, member, cwfTab_);
    if (occurs.most == 1 && repeat.count == 1 && !repeat.byReference)
        return schema;
    if (cwfTab_ == nullptr) {
        Json array = {{"type", "array"}, {"items", std::move(schema)}, {"minItems", occurs.least}};
        if (occurs.most)
            array["maxItems"] = *occurs.most;
        return array;
    }
    Json array = {{"type", "array"},
                  {"items", std::move(schema)},
                  {"minItems", repeat.byReference ? 0 : repeat.count},
                  {"maxItems", repeat.count}};
    return array;
}

Json JsonSchemaWriter::typeSchema(const ModelType& type) {
    Json schema = {{"type", "object"}};
    if (type.row->name != type.row->identifier && !type.row->name.empty())
        schema["title"] = type.row->name;
    Json properties = Json::object();
    Json required = Json::array();
    const bool choice = type.row->composition == compositionChoice;
    for (const ModelMember* member : type.members) {
        std::string key;
        std::optional<Json> property = memberSchema(*member, type.row->identifier, key);
        if (!property) {
            approximate(schema, type.row->identifier, "a member naming no item of the set; left out");
            continue;
        }
        if (properties.contains(key)) {
            std::string again = key;
            for (int use = 2; properties.contains(again); ++use)
                again = key + "#" + std::to_string(use);
            approximate(schema, type.row->identifier + "." + key, "used again; the use is key " + again);
            key = again;
        }
        properties[key] = std::move(*property);
        if (!choice && occurrencesOf(*member->row).least > 0)
            required.push_back(key);
    }
    if (choice && !properties.empty()) {
        schema["minProperties"] = 1;
        schema["maxProperties"] = 1;
    }
    schema["properties"] = std::move(properties);
    if (!required.empty())
        schema["required"] = std::move(required);
    schema["additionalProperties"] = false;
    return schema;
}

} // namespace

Json jsonSchemaOf(const MessageSetModel& model, const std::vector<const ModelMessage*>& messages,
                  const ModelPlugin* cwfTab, std::vector<std::string>& approximations) {
    JsonSchemaWriter writer(model, cwfTab, approximations);
    Json root = {{"$schema", metaSchema}};
    Json choices = Json::array();
    std::string names;
    for (const ModelMessage* message : messages) {
        names += (names.empty() ? "" : ", ") + message->row->identifier;
        if (message->type == nullptr) {
            approximations.push_back(message->row->identifier + ": a message of no type of the set; left out");
            continue;
        }
        choices.push_back(writer.reference(*message->type));
    }
    if (messages.size() == 1) {
        root["title"] = messages.front()->row->identifier;
        if (!messages.front()->row->name.empty())
            root["description"] = messages.front()->row->name;
    } else {
        root["description"] = names.empty() ? "No messages." : "One of the messages " + names + ".";
    }
    if (cwfTab != nullptr)
        root["$comment"] = "Numbers and lengths as CWF tab " + cwfTab->row->name + " holds them.";
    if (choices.size() == 1)
        root["$ref"] = choices.front()["$ref"];
    else if (choices.empty())
        root["not"] = Json::object();
    else
        root["anyOf"] = std::move(choices);
    root["$defs"] = writer.defs();
    return root;
}

} // namespace norvak

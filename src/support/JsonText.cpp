// The one writer of JSON documents: valid JSON whatever bytes the texts hold.

#include "support/JsonText.h"

#include "support/Utf8Text.h"

#include <nlohmann/json.hpp>

namespace norvak {

namespace {

// Whether some text of the value (a member name too) is not UTF-8.
template <class Json> bool holdsOtherBytes(const Json& value) {
    if (value.is_string())
        return !isUtf8Text(value.template get_ref<const typename Json::string_t&>());
    if (value.is_array()) {
        for (const Json& element : value)
            if (holdsOtherBytes(element))
                return true;
    } else if (value.is_object()) {
        for (auto member = value.begin(); member != value.end(); ++member)
            if (!isUtf8Text(member.key()) || holdsOtherBytes(member.value()))
                return true;
    }
    return false;
}

// The value with its texts made UTF-8 as jsonText says.
template <class Json> Json repaired(const Json& value) {
    if (value.is_string())
        return Json(utf8Replaced(value.template get_ref<const typename Json::string_t&>()));
    if (value.is_array()) {
        Json result = Json::array();
        for (const Json& element : value)
            result.push_back(repaired(element));
        return result;
    }
    if (!value.is_object())
        return value;
    Json result = Json::object();
    for (auto member = value.begin(); member != value.end(); ++member) {
        const std::string name = utf8Replaced(member.key());
        result[name] = repaired(member.value());
        if (!member.value().is_string())
            continue;
        const auto& text = member.value().template get_ref<const typename Json::string_t&>();
        const std::string companion = name + jsonBytesSuffix;
        if (!isUtf8Text(text) && !value.contains(companion))
            result[companion] = escapedBytes(text);
    }
    return result;
}

template <class Json> std::string textOf(const Json& document, int indent) {
    // The texts are UTF-8 by now; replacing is only the last guard of dump,
    // which would otherwise throw over a byte.
    if (!holdsOtherBytes(document))
        return document.dump(indent, ' ', false, Json::error_handler_t::replace);
    return repaired(document).dump(indent, ' ', false, Json::error_handler_t::replace);
}

} // namespace

std::string jsonText(const nlohmann::json& document, int indent) {
    return textOf(document, indent);
}

std::string jsonText(const nlohmann::ordered_json& document, int indent) {
    return textOf(document, indent);
}

} // namespace norvak

// The value codecs per physical type: the bytes of one field occurrence to its JSON value and back.
#include "codec/ValueCodecs.h"

#include "codec/Base64.h"
#include "codec/CodecError.h"
#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "layout/FieldSizes.h"
#include "support/StringUtilities.h"

#include <cstdlib>

namespace norvak {

namespace {

using Json = nlohmann::ordered_json;

std::string upperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool isText(int physicalType) {
    return physicalType == physicalFixedLength || physicalType == physicalNullTerminated ||
           physicalType == physicalLengthEncoded1 || physicalType == physicalLengthEncoded2;
}

ExactNumber readNumber(const LayoutField& field, std::string_view bytes, const ValueContext& context) {
    const int scale = scaleOf(field);
    if (field.physicalType == physicalPacked)
        return unpackDecimal(bytes, scale);
    if (field.physicalType == physicalExtendedDecimal)
        return unzoneDecimal(bytes, field.signOrientation, scale, context.text);
    ExactNumber number = exactOf(readBinary(bytes, context.byteOrder));
    number.scale = scale;
    return number;
}

void writeNumber(const LayoutField& field, const ExactNumber& number, std::size_t length, const ValueContext& context,
                 std::string& out) {
    if (field.physicalType == physicalPacked)
        return packDecimal(number, length, out);
    if (field.physicalType == physicalExtendedDecimal)
        return zoneDecimal(number, length, field.signOrientation, context.text, out);
    ExactNumber whole = number;
    whole.scale = 0;
    const std::optional<std::int64_t> value = int64Of(whole);
    if (!value)
        throw CodecFailure(0,
                           decimalText(number) + " is beyond a binary integer of " + std::to_string(length) + " bytes");
    writeBinary(*value, length, context.byteOrder, out);
}

bool isTime(const LayoutField& field) {
    return field.physicalType == physicalTimeSeconds || field.physicalType == physicalTimeMilliseconds;
}

Json presentedNumber(const LayoutField& field, const ExactNumber& number) {
    switch (field.logicalType) {
    case logicalDecimal:
    case logicalString:
        return decimalText(number);
    case logicalFloat:
        return std::strtod(decimalText(number).c_str(), nullptr);
    case logicalBoolean: {
        const std::string_view digits = significant(number.digits);
        if (digits.empty() || (digits == "1" && !number.negative))
            return !digits.empty();
        throw CodecFailure(0, "a boolean that is neither 0 nor 1 (" + decimalText(number) + ")");
    }
    case logicalDateTime:
        if (isTime(field))
            return timeText(*int64Of(number), field.physicalType == physicalTimeMilliseconds);
        return decimalText(number);
    default:
        break;
    }
    const std::optional<std::int64_t> value = int64Of(ExactNumber{number.negative, number.digits, 0});
    if (!value)
        throw CodecFailure(0, "the integer " + decimalText(number) + " is beyond 64 bits");
    return *value;
}

std::string typeName(const Json& value) {
    return value.is_string() ? "a string" : std::string("a ") + value.type_name();
}

ExactNumber numberOfJson(const LayoutField& field, const Json& value) {
    const int scale = scaleOf(field);
    std::string text;
    if (value.is_boolean()) {
        text = value.get<bool>() ? "1" : "0";
    } else if (value.is_string() && field.logicalType == logicalDateTime && isTime(field)) {
        ExactNumber number =
            exactOf(timeCount(value.get<std::string>(), field.physicalType == physicalTimeMilliseconds));
        number.scale = 0;
        return number;
    } else if (value.is_string()) {
        text = value.get<std::string>();
    } else if (value.is_number_float() && field.logicalType != logicalFloat) {
        throw CodecFailure(0, "a JSON number with a fraction, which is not exact: give the decimal as a string");
    } else if (value.is_number()) {
        text = value.dump();
        if (text.find_first_of("eE") != std::string::npos)
            throw CodecFailure(0, "the number " + text + " is given with an exponent; give its digits");
    } else {
        throw CodecFailure(0, typeName(value) + " where the field holds a number");
    }
    std::string why;
    std::optional<ExactNumber> number = parseDecimal(text, scale, why);
    if (!number)
        throw CodecFailure(0, why);
    return *number;
}

// The bytes of the padding character the stored text names: SPACE (or
// none), NUL, a character between quotes, or a code 0xHH.
std::string paddingOf(const LayoutField& field, const TextCodec& text) {
    const std::string& named = field.paddingCharacter;
    if (named.empty())
        return text.blank();
    const std::string upper = upperAscii(named);
    if (upper == "NUL")
        return text.nul();
    if (named.size() >= 3 && (named.front() == '\'' || named.front() == '"') && named.back() == named.front()) {
        std::string bytes;
        if (text.fromUtf8(named.substr(1, named.size() - 2), bytes) && !bytes.empty())
            return bytes;
    }
    if (upper.size() == 4 && upper.starts_with("0X")) {
        const long code = std::strtol(named.c_str() + 2, nullptr, 16);
        std::string unit(static_cast<std::size_t>(text.page().unitBytes), '\0');
        unit.back() = static_cast<char>(code);
        return unit;
    }
    return text.blank();
}

bool rightJustified(const LayoutField& field) {
    return !field.justification.empty() && (field.justification[0] == 'R' || field.justification[0] == 'r');
}

// The text of a fixed-length field without the padding on its justified side.
std::string_view unpadded(const LayoutField& field, std::string_view bytes, const std::string& pad) {
    if (pad.empty())
        return bytes;
    if (rightJustified(field)) {
        while (bytes.size() >= pad.size() && bytes.substr(0, pad.size()) == pad)
            bytes.remove_prefix(pad.size());
    } else {
        while (bytes.size() >= pad.size() && bytes.substr(bytes.size() - pad.size()) == pad)
            bytes.remove_suffix(pad.size());
    }
    return bytes;
}

Json presentedText(const LayoutField& field, std::string_view bytes, const ValueContext& context) {
    if (field.logicalType == logicalBinary || field.physicalType == physicalBinary)
        return base64Of(bytes);
    std::string text;
    std::size_t badAt = 0;
    if (!context.text.toUtf8(bytes, text, badAt))
        throw CodecFailure(static_cast<std::int64_t>(badAt),
                           "a byte that is no character of code page " + std::to_string(context.text.page().ccsid));
    return text;
}

std::size_t need(std::string_view rest, std::size_t bytes) {
    if (bytes > rest.size())
        throw CodecFailure(static_cast<std::int64_t>(rest.size()), "the field needs " + std::to_string(bytes) +
                                                                       " bytes; the record ends after " +
                                                                       std::to_string(rest.size()));
    return bytes;
}

// A string that tells its own end: its text's bytes and the bytes it takes.
std::string_view selfSized(const LayoutField& field, std::string_view rest, const ValueContext& context,
                           std::size_t& used) {
    if (field.physicalType == physicalNullTerminated) {
        const std::string& nul = context.text.nul();
        for (std::size_t at = 0; at + nul.size() <= rest.size(); at += nul.size())
            if (rest.substr(at, nul.size()) == nul) {
                used = at + nul.size();
                return rest.substr(0, at);
            }
        throw CodecFailure(static_cast<std::int64_t>(rest.size()), "no terminator before the end of the record");
    }
    const std::size_t prefix = field.physicalType == physicalLengthEncoded1 ? 1 : 2;
    need(rest, prefix);
    const auto length = static_cast<std::size_t>(readUnsigned(rest.substr(0, prefix), context.byteOrder));
    used = prefix + need(rest.substr(prefix), length);
    return rest.substr(prefix, length);
}

} // namespace

int scaleOf(const LayoutField& field) {
    if (!field.decimalPoint || field.logicalType == logicalInteger || field.logicalType == logicalBoolean ||
        field.logicalType == logicalDateTime)
        return 0;
    return static_cast<int>(leadingNumber(field.decimalPoint->c_str()).value_or(0));
}

bool decodeFixedText(const LayoutField& field, std::string_view rest, std::size_t extent, const ValueContext& context,
                     std::size_t& used, std::string& text) {
    if (field.physicalType != physicalFixedLength || field.logicalType == logicalBinary)
        return false;
    used = need(rest, extent);
    std::size_t badAt = 0;
    if (!context.text.toUtf8(unpadded(field, rest.substr(0, used), paddingOf(field, context.text)), text, badAt))
        throw CodecFailure(static_cast<std::int64_t>(badAt),
                           "a byte that is no character of code page " + std::to_string(context.text.page().ccsid));
    return true;
}

Json decodeValue(const LayoutField& field, std::string_view rest, std::optional<std::size_t> extent,
                 const ValueContext& context, std::size_t& used) {
    if (!extent || field.physicalType == physicalNullTerminated || field.physicalType == physicalLengthEncoded1 ||
        field.physicalType == physicalLengthEncoded2) {
        const std::string_view within = extent ? rest.substr(0, need(rest, *extent)) : rest;
        const std::string_view text = selfSized(field, within, context, used);
        return presentedText(field, text, context);
    }
    used = need(rest, *extent);
    const std::string_view bytes = rest.substr(0, used);
    if (field.physicalType == physicalFloat) {
        const double value = readFloat(bytes, context.byteOrder);
        return field.logicalType == logicalDecimal || field.logicalType == logicalString ? Json(Json(value).dump())
                                                                                         : Json(value);
    }
    if (isText(field.physicalType))
        return presentedText(field, unpadded(field, bytes, paddingOf(field, context.text)), context);
    if (field.physicalType == physicalBinary)
        return base64Of(bytes);
    return presentedNumber(field, readNumber(field, bytes, context));
}

namespace {

// The bytes of a text value: base64 decoded for binary, the text in the
// code page otherwise.
std::string textBytes(const LayoutField& field, const Json& value, const ValueContext& context) {
    if (!value.is_string())
        throw CodecFailure(0, typeName(value) + " where the field holds a string");
    const std::string& text = value.get_ref<const std::string&>();
    std::string bytes;
    if (field.logicalType == logicalBinary || field.physicalType == physicalBinary) {
        std::optional<std::string> decoded = bytesOfBase64(text);
        if (!decoded)
            throw CodecFailure(0, "the text is no base64");
        return *decoded;
    }
    if (!context.text.fromUtf8(text, bytes))
        throw CodecFailure(0, "the text has a character code page " + std::to_string(context.text.page().ccsid) +
                                  " does not hold");
    return bytes;
}

void encodeSelfSized(const LayoutField& field, const std::string& bytes, const ValueContext& context,
                     std::string& out) {
    if (field.physicalType == physicalNullTerminated) {
        const std::string& nul = context.text.nul();
        for (std::size_t at = 0; at + nul.size() <= bytes.size(); at += nul.size())
            if (bytes.compare(at, nul.size(), nul) == 0)
                throw CodecFailure(0, "the text holds the terminator character");
        out += bytes + nul;
        return;
    }
    const std::size_t most = field.physicalType == physicalLengthEncoded1 ? 0xFF : 0xFFFF;
    if (bytes.size() > most)
        throw CodecFailure(0,
                           "a text of " + std::to_string(bytes.size()) + " bytes, more than its length prefix holds");
    if (most == 0xFF)
        out += static_cast<char>(bytes.size());
    else
        writeUnsigned(bytes.size(), 2, context.byteOrder, out);
    out += bytes;
}

void encodeFixedText(const LayoutField& field, const std::string& bytes, std::size_t extent,
                     const ValueContext& context, std::string& out) {
    if (bytes.size() > extent)
        throw CodecFailure(0, "a text of " + std::to_string(bytes.size()) + " bytes; the field holds " +
                                  std::to_string(extent));
    if (field.physicalType == physicalBinary || field.logicalType == logicalBinary) {
        if (bytes.size() != extent)
            throw CodecFailure(0,
                               std::to_string(bytes.size()) + " bytes where the field holds " + std::to_string(extent));
        out += bytes;
        return;
    }
    const std::string pad = paddingOf(field, context.text);
    std::string padding;
    while (padding.size() + pad.size() <= extent - bytes.size())
        padding += pad;
    padding.append(extent - bytes.size() - padding.size(), '\0');
    out += rightJustified(field) ? padding + bytes : bytes + padding;
}

} // namespace

void encodeValue(const LayoutField& field, const Json& value, std::optional<std::size_t> extent,
                 const ValueContext& context, std::string& out) {
    if (isText(field.physicalType) || field.physicalType == physicalBinary) {
        const std::string bytes = textBytes(field, value, context);
        if (field.physicalType == physicalFixedLength || field.physicalType == physicalBinary) {
            if (extent)
                return encodeFixedText(field, bytes, *extent, context, out);
            out += bytes;
            return;
        }
        std::string own;
        encodeSelfSized(field, bytes, context, own);
        if (extent && own.size() > *extent)
            throw CodecFailure(0, "a text of " + std::to_string(own.size()) + " bytes; the field holds " +
                                      std::to_string(*extent));
        own.append(extent ? *extent - own.size() : 0, '\0');
        out += own;
        return;
    }
    const std::size_t length = extent.value_or(field.length.value_or(0));
    if (field.physicalType == physicalFloat) {
        if (!value.is_number() && !value.is_string())
            throw CodecFailure(0, typeName(value) + " where the field holds a number");
        const double number =
            value.is_number() ? value.get<double>() : std::strtod(value.get<std::string>().c_str(), nullptr);
        return writeFloat(number, length, context.byteOrder, out);
    }
    if (field.logicalType == logicalBoolean && !value.is_boolean())
        throw CodecFailure(0, typeName(value) + " where the field holds true or false");
    writeNumber(field, numberOfJson(field, value), length, context, out);
}

std::string unsupportedForm(const LayoutField& field, const CodePage& page) {
    const std::int64_t length = field.length.value_or(0);
    switch (field.physicalType) {
    case physicalInteger:
        return length == 1 || length == 2 || length == 4 || length == 8
                   ? ""
                   : "a binary integer of " + std::to_string(length) + " bytes (1, 2, 4 or 8 are read)";
    case physicalFloat:
        return length == 4 || length == 8 ? "" : "a float of " + std::to_string(length) + " bytes (4 or 8 are read)";
    case physicalBoolean:
    case physicalTimeSeconds:
    case physicalTimeMilliseconds:
    case physicalPacked:
    case physicalBinary:
    case physicalNullTerminated:
    case physicalLengthEncoded1:
    case physicalLengthEncoded2:
        return "";
    case physicalExtendedDecimal:
        return page.unitBytes == 1 ? "" : "zoned digits under a code page of more than one byte a character";
    case physicalFixedLength:
        return field.variability == Variability::variableWidthChars
                   ? "a length in characters under a code page of variable width"
                   : "";
    default:
        return "a physical type the codec does not know (" + std::to_string(field.physicalType) + ")";
    }
}

} // namespace norvak

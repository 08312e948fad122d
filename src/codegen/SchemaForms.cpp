// What both schemas take of a use of an element: occurrences, value-use facets, CWF digits and integer ranges.
#include "codegen/SchemaForms.h"

#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"
#include "layout/FieldSizes.h"
#include "layout/RecordLayout.h"
#include "support/StringUtilities.h"

#include <algorithm>
#include <limits>

namespace norvak {

namespace {

// The most decimal digits whose every number fits in 64 bits.
constexpr std::int64_t mostExactDigits = 18;
constexpr std::int64_t bitsPerByte = 8;
constexpr std::int64_t longestBinary = 8;

std::optional<std::int64_t> numberOf(const std::optional<std::string>& text) {
    if (!text || !isIntegerText(*text) || text->size() > static_cast<std::size_t>(mostExactDigits))
        return std::nullopt;
    return std::stoll(*text);
}

int codeOf(const EffectiveProperties& properties, const char* name) {
    auto found = properties.find(name);
    if (found == properties.end() || !found->second.value)
        return 0;
    return leadingNumberOrZero(found->second.value->c_str());
}

std::int64_t powerOfTen(std::int64_t digits) {
    std::int64_t power = 1;
    for (std::int64_t d = 0; d < digits; ++d)
        power *= 10;
    return power;
}

int bytesPerCharacterOfTab(const ModelPlugin& tab) {
    for (const StoredAttribute* row : tab.settings)
        if (row->name == rows::cwfTabCcsid.name && row->value && !row->value->empty())
            return bytesPerCharacterOf(*row->value);
    return bytesPerCharacterOf(std::nullopt);
}

} // namespace

Occurrences occurrencesOf(const StoredTypeMember& row) {
    Occurrences occurs;
    occurs.least = std::max<std::int64_t>(0, numberOf(row.minOccurs).value_or(1));
    if (row.maxOccurs)
        occurs.most = numberOf(row.maxOccurs);
    else
        occurs.most = row.repeats != 0 ? std::nullopt : std::optional<std::int64_t>(1);
    if (occurs.most && *occurs.most < occurs.least)
        occurs.most = occurs.least;
    return occurs;
}

ValueFacets valueFacetsOf(const ModelElement& element) {
    ValueFacets facets;
    for (const ModelValueUse* use : element.valueUses) {
        if (use->value == nullptr)
            continue;
        const std::string& text = use->value->row->text;
        switch (use->row->role) {
        case roleMinInclusive:
            facets.minInclusive = facets.minInclusive.value_or(text);
            break;
        case roleMaxInclusive:
            facets.maxInclusive = facets.maxInclusive.value_or(text);
            break;
        case roleMinLength:
            facets.minLength = facets.minLength ? facets.minLength : numberOf(text);
            break;
        case roleMaxLength:
            facets.maxLength = facets.maxLength ? facets.maxLength : numberOf(text);
            break;
        case roleEnumerationValue:
            if (std::find(facets.enumeration.begin(), facets.enumeration.end(), text) == facets.enumeration.end())
                facets.enumeration.push_back(text);
            break;
        case roleDefault:
            facets.defaultValue = facets.defaultValue.value_or(text);
            break;
        default:
            break;
        }
    }
    return facets;
}

CwfForm cwfFormOf(const MessageSetModel& model, const ModelMember& member, const ModelPlugin* tab) {
    CwfForm form;
    if (tab == nullptr || member.childElement == nullptr)
        return form;
    const EffectiveProperties properties = model.effectiveProperties(member, *tab);
    form.present = true;
    form.physicalType = codeOf(properties, rows::cwfMemberPhysicalType.name);
    if (auto length = properties.find(rows::cwfMemberLength.name);
        length != properties.end() && length->second.value && isIntegerText(*length->second.value))
        form.length = numberOf(length->second.value);
    form.lengthUnits = codeOf(properties, rows::cwfMemberLengthUnits.name);
    form.signOrientation = codeOf(properties, rows::cwfMemberSigned.name);
    form.decimalPoint = codeOf(properties, rows::cwfMemberDecimalPoint.name);
    form.bytesPerCharacter = bytesPerCharacterOfTab(*tab);
    return form;
}

CwfRepeat cwfRepeatOf(const MessageSetModel& model, const ModelMember& member, const ModelPlugin* tab) {
    CwfRepeat repeat;
    if (tab == nullptr)
        return repeat;
    const EffectiveProperties properties = model.effectiveProperties(member, *tab);
    if (auto count = properties.find(rows::cwfMemberRepeatCount.name);
        count != properties.end() && count->second.value && isIntegerText(*count->second.value))
        repeat.count = std::max<std::int64_t>(1, numberOf(count->second.value).value_or(1));
    if (auto reference = properties.find(rows::cwfMemberRepeatReference.name);
        reference != properties.end() && numberOf(reference->second.value).value_or(0) != 0)
        repeat.byReference = true;
    return repeat;
}

std::optional<DecimalDigits> decimalDigitsOf(const CwfForm& form) {
    if (!form.present || !form.length || *form.length <= 0)
        return std::nullopt;
    DecimalDigits digits;
    digits.fraction = form.decimalPoint;
    switch (form.physicalType) {
    case physicalPacked:
        digits.total = 2 * *form.length - 1;
        break;
    case physicalExtendedDecimal:
        // The length counts the digits; a separate sign is a character
        // more in the record, as the layout places it.
        digits.total = *form.length;
        break;
    case physicalInteger:
        // A scaled binary integer: the digits every value of them fits.
        digits.total = *form.length >= longestBinary ? mostExactDigits : (*form.length * bitsPerByte - 1) * 3 / 10;
        digits.outside = true;
        break;
    default:
        return std::nullopt;
    }
    if (digits.total <= 0 || digits.fraction < 0 || digits.fraction > digits.total)
        digits.outside = true;
    return digits;
}

std::optional<IntegerRange> integerRangeOf(const CwfForm& form) {
    if (!form.present || !form.length || *form.length <= 0)
        return std::nullopt;
    IntegerRange range;
    if (form.physicalType == physicalInteger) {
        if (*form.length >= longestBinary) {
            range.least = std::numeric_limits<std::int64_t>::min();
            range.most = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
            return range;
        }
        const std::int64_t half = std::int64_t{1} << (*form.length * bitsPerByte - 1);
        range.least = -half;
        range.most = static_cast<std::uint64_t>(half - 1);
        return range;
    }
    std::optional<DecimalDigits> digits = decimalDigitsOf(form);
    if (!digits || digits->outside)
        return std::nullopt;
    const std::int64_t whole = digits->total - digits->fraction;
    if (whole > mostExactDigits) {
        range.tooWide = true;
        return range;
    }
    const std::int64_t most = powerOfTen(whole) - 1;
    const bool sign = form.physicalType == physicalPacked || form.signOrientation != signNone;
    range.least = sign ? -most : 0;
    range.most = static_cast<std::uint64_t>(most);
    return range;
}

std::optional<std::int64_t> mostCharactersOf(const CwfForm& form) {
    if (!form.present || form.physicalType != physicalFixedLength || !form.length)
        return std::nullopt;
    if (form.lengthUnits == unitsCharacters || form.lengthUnits == unitsCharacterUnits)
        return *form.length;
    if (form.lengthUnits != unitsBytes)
        return std::nullopt;
    return form.bytesPerCharacter > 1 ? *form.length / form.bytesPerCharacter : *form.length;
}

bool isIntegerText(const std::string& text) {
    const std::size_t start = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    return text.size() > start && std::all_of(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
                                              [](char c) { return c >= '0' && c <= '9'; });
}

bool isDecimalText(const std::string& text) {
    const std::size_t point = text.find('.');
    if (point == std::string::npos)
        return isIntegerText(text);
    const std::string whole = text.substr(0, point);
    const std::string fraction = text.substr(point + 1);
    const bool wholeOk = whole.empty() || whole == "-" || whole == "+" || isIntegerText(whole);
    return wholeOk && !fraction.empty() &&
           std::all_of(fraction.begin(), fraction.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace norvak

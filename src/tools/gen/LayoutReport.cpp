// The record layouts written by norvakgen: the text table of each message and its JSON form.
#include "tools/gen/LayoutReport.h"

#include "import/model/ItemTables.h"
#include "layout/RecordLayout.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

namespace norvak {

namespace {

constexpr std::size_t columns = 9;
using Row = std::array<std::string, columns>;

std::string offsetText(const LayoutField& field) {
    std::string offset = std::to_string(field.offset);
    return field.relativeTo.empty() ? offset : field.relativeTo + "+" + offset;
}

std::string typeText(const LayoutField& field) {
    return field.kind == FieldKind::element ? physicalTypeWord(field.physicalType) : fieldKindWord(field.kind);
}

std::string repeatText(const LayoutField& field) {
    if (!field.repeatReference.empty())
        return "by " + field.repeatReference;
    return field.repeat == 1 ? std::string() : std::to_string(field.repeat);
}

std::string bytes(std::int64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string notesText(const LayoutField& field) {
    std::string notes = variabilityWord(field.variability);
    if (!field.lengthReference.empty())
        notes += ", length in " + field.lengthReference;
    if (!field.length && field.maxSize)
        notes += ", " + std::to_string(field.minSize) + " to " + bytes(*field.maxSize);
    else if (!field.length)
        notes += ", at least " + bytes(field.minSize);
    return notes;
}

// The rows of the fields and their members, each name indented by its depth.
void addRows(const std::vector<LayoutField>& fields, const std::string& parentPath, std::vector<Row>& rows) {
    for (const LayoutField& field : fields) {
        const std::size_t cut = parentPath.empty() ? 0 : parentPath.size() + 1;
        rows.push_back({offsetText(field), field.length ? std::to_string(*field.length) : "var",
                        std::string(static_cast<std::size_t>(field.depth) * 2, ' ') + field.path.substr(cut),
                        typeText(field), signOrientationWord(field.signOrientation), field.decimalPoint.value_or(""),
                        repeatText(field), field.alignment > 1 ? std::to_string(field.alignment) : "",
                        notesText(field)});
        addRows(field.members, field.path, rows);
    }
}

std::string sizeText(const RecordLayout& layout) {
    if (layout.maxSize && *layout.maxSize == layout.minSize)
        return "Size: " + bytes(layout.minSize) + "\n";
    if (layout.maxSize)
        return "Size: " + std::to_string(layout.minSize) + " to " + bytes(*layout.maxSize) + "\n";
    return "Size: at least " + bytes(layout.minSize) + ", no maximum\n";
}

std::string codePageText(const RecordLayout& layout) {
    std::string ccsid = layout.ccsid ? "CCSID " + *layout.ccsid : std::string("no CCSID");
    switch (layout.bytesPerCharacter) {
    case 0:
        return ccsid + ", characters of variable width";
    case 1:
        return ccsid + ", 1 byte a character";
    default:
        return ccsid + ", " + std::to_string(layout.bytesPerCharacter) + " bytes a character";
    }
}

std::string tableText(const std::vector<Row>& rows) {
    std::array<std::size_t, columns> widths{};
    for (const Row& row : rows)
        for (std::size_t c = 0; c < columns; ++c)
            widths[c] = std::max(widths[c], row[c].size());
    std::string text;
    for (const Row& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < columns; ++c) {
            line += row[c];
            if (c + 1 < columns)
                line.append(widths[c] - row[c].size() + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    return text;
}

std::string oneLayoutText(const RecordLayout& layout) {
    std::string text = "Message " + layout.message + ", CWF tab " + layout.tab + ", " + codePageText(layout) + "\n";
    // Big-endian records, the default, keep the table as it always was.
    if (layout.byteOrder == ByteOrder::little)
        text += "Byte order: binary integers and floats little-endian\n";
    text += "Offsets and lengths in bytes; a length is one occurrence's, a separate sign included\n";
    std::vector<Row> rows = {{"Offset", "Length", "Field", "Type", "Sign", "Point", "Repeat", "Align", "Notes"}};
    addRows(layout.fields, "", rows);
    text += tableText(rows);
    text += sizeText(layout);
    for (const std::string& note : layout.notes)
        text += "Note: " + note + "\n";
    return text;
}

using Json = nlohmann::ordered_json;

Json optionalText(const std::string& text) {
    return text.empty() ? Json() : Json(text);
}

Json optionalNumber(const std::optional<std::int64_t>& number) {
    return number ? Json(*number) : Json();
}

Json fieldJson(const LayoutField& field) {
    Json members = Json::array();
    for (const LayoutField& member : field.members)
        members.push_back(fieldJson(member));
    const char* logical = field.kind == FieldKind::element ? logicalTypeKeyword(field.logicalType) : nullptr;
    return {
        {"kind", fieldKindWord(field.kind)},
        {"name", field.name},
        {"path", field.path},
        {"offset", field.offset},
        {"relativeTo", optionalText(field.relativeTo)},
        {"length", optionalNumber(field.length)},
        {"minSize", field.minSize},
        {"maxSize", optionalNumber(field.maxSize)},
        {"variable", optionalText(variabilityWord(field.variability))},
        {"logicalType", logical == nullptr ? Json() : Json(logical)},
        {"physicalType",
         field.kind == FieldKind::element ? optionalText(physicalTypeWord(field.physicalType)) : Json()},
        {"sign", optionalText(signOrientationWord(field.signOrientation))},
        {"decimalPoint", field.decimalPoint ? Json(*field.decimalPoint) : Json()},
        {"alignment", field.alignment > 1 ? Json(field.alignment) : Json()},
        {"repeat", field.repeat},
        {"repeatReference", optionalText(field.repeatReference)},
        {"lengthReference", optionalText(field.lengthReference)},
        {"members", std::move(members)},
    };
}

} // namespace

std::string layoutText(const std::vector<RecordLayout>& layouts) {
    std::string text;
    for (const RecordLayout& layout : layouts)
        text += (text.empty() ? "" : "\n") + oneLayoutText(layout);
    return text;
}

nlohmann::ordered_json layoutJson(const RecordLayout& layout) {
    Json fields = Json::array();
    for (const LayoutField& field : layout.fields)
        fields.push_back(fieldJson(field));
    return {
        {"message", layout.message},
        {"tab", layout.tab},
        {"ccsid", layout.ccsid ? Json(*layout.ccsid) : Json()},
        {"bytesPerCharacter", layout.bytesPerCharacter == 0 ? Json() : Json(layout.bytesPerCharacter)},
        {"byteOrder", byteOrderWord(layout.byteOrder)},
        {"minSize", layout.minSize},
        {"maxSize", optionalNumber(layout.maxSize)},
        {"fields", std::move(fields)},
        {"notes", layout.notes},
    };
}

} // namespace norvak

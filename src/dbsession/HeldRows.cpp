// Rows of inserts kept in memory instead of being sent: the shape of their statements and their values.
#include "dbsession/HeldRows.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace norvak {

int InsertShape::columnIndex(std::string_view column) const {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i] == column)
            return static_cast<int>(i);
    }
    return -1;
}

namespace {

// Reads the statement's text from left to right.
class ShapeParser {
  public:
    explicit ShapeParser(const std::string& text) : text_(text) {}

    bool keyword(const char* word) {
        blanks();
        std::size_t length = std::strlen(word);
        if (text_.compare(at_, length, word) != 0)
            return false;
        at_ += length;
        return true;
    }
    bool symbol(char c) {
        blanks();
        if (at_ >= text_.size() || text_[at_] != c)
            return false;
        ++at_;
        return true;
    }
    std::string name() {
        blanks();
        std::size_t start = at_;
        while (at_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[at_])) != 0 || text_[at_] == '_' ||
                                      text_[at_] == '.' || text_[at_] == '"'))
            ++at_;
        return text_.substr(start, at_ - start);
    }
    // One value of the VALUES row into the shape; false for anything else.
    bool value(InsertShape& shape, int& marker) {
        blanks();
        shape.texts.emplace_back();
        shape.numbers.emplace_back();
        shape.markers.push_back(-1);
        if (symbol('?')) {
            shape.markers.back() = marker++;
            return true;
        }
        if (keyword("NULL"))
            return true;
        if (at_ < text_.size() && text_[at_] == '\'')
            return quoted(shape.texts.back().emplace());
        std::size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-')
            ++at_;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])) != 0)
            ++at_;
        if (at_ == start || (at_ == start + 1 && text_[start] == '-'))
            return false;
        shape.numbers.back() = std::stoll(text_.substr(start, at_ - start));
        return true;
    }
    bool atEnd() {
        blanks();
        return at_ == text_.size();
    }

  private:
    void blanks() {
        while (at_ < text_.size() && text_[at_] == ' ')
            ++at_;
    }
    bool quoted(std::string& out) {
        ++at_; // the opening quote
        while (at_ < text_.size()) {
            char c = text_[at_++];
            if (c != '\'') {
                out += c;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == '\'') {
                out += '\'';
                ++at_;
                continue;
            }
            return true;
        }
        return false;
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

} // namespace

std::optional<InsertShape> parseInsertShape(const std::string& statement) {
    ShapeParser parser(statement);
    InsertShape shape;
    if (!parser.keyword("INSERT INTO"))
        return std::nullopt;
    shape.table = parser.name();
    if (std::size_t dot = shape.table.rfind('.'); dot != std::string::npos)
        shape.table.erase(0, dot + 1);
    if (shape.table.empty() || !parser.symbol('('))
        return std::nullopt;
    do {
        shape.columns.push_back(parser.name());
        if (shape.columns.back().empty())
            return std::nullopt;
    } while (parser.symbol(','));
    if (!parser.symbol(')') || !parser.keyword("VALUES") || !parser.symbol('('))
        return std::nullopt;
    int marker = 0;
    do {
        if (!parser.value(shape, marker))
            return std::nullopt;
    } while (parser.symbol(','));
    if (!parser.symbol(')') || !parser.atEnd() || shape.markers.size() != shape.columns.size())
        return std::nullopt;
    return shape;
}

namespace {

// What a packed value is; a NULL keeps the kind of its parameter, so that a
// row sent after all is bound as it would have been.
enum Tag : char { nullText = 0, nullInteger = 1, nullSmallInteger = 2, integer = 3, smallInteger = 4, text = 5 };

bool isNullTag(char tag) {
    return tag <= nullSmallInteger;
}

void putNumber(std::string& bytes, std::uint32_t value) {
    char packed[4];
    std::memcpy(packed, &value, sizeof packed);
    bytes.append(packed, sizeof packed);
}

} // namespace

void HeldRowBuffer::add(const std::vector<InsertParameter>& parameters) {
    std::string& row = packed_;
    row.clear();
    for (const InsertParameter& parameter : parameters) {
        if (parameter.isText()) {
            // Bound without a length: the database gets the text up to its first NUL.
            std::string_view value(parameter.textValue().c_str());
            row.push_back(static_cast<char>(parameter.isNull() ? nullText : text));
            if (!parameter.isNull()) {
                putNumber(row, static_cast<std::uint32_t>(value.size()));
                row.append(value);
            }
        } else if (parameter.isNull()) {
            row.push_back(static_cast<char>(parameter.isSmallInteger() ? nullSmallInteger : nullInteger));
        } else {
            row.push_back(static_cast<char>(parameter.isSmallInteger() ? smallInteger : integer));
            putNumber(row, static_cast<std::uint32_t>(parameter.number()));
        }
    }
    // Into the last chunk while it has room: a chunk never grows, so that
    // no byte moves once written.
    if (chunks_.empty() || chunks_.back().capacity() - chunks_.back().size() < row.size()) {
        chunks_.emplace_back();
        chunks_.back().reserve(std::max(chunkBytes, row.size()));
    }
    places_.push_back({static_cast<std::uint32_t>(chunks_.size() - 1), static_cast<std::uint32_t>(chunks_.back().size())});
    chunks_.back().append(row);
}

std::string_view HeldRowBuffer::bytes(std::size_t row) const {
    const RowPlace place = places_[row];
    const std::string& chunk = chunks_[place.chunk];
    std::size_t end = row + 1 < places_.size() && places_[row + 1].chunk == place.chunk ? places_[row + 1].offset
                                                                                         : chunk.size();
    return std::string_view(chunk).substr(place.offset, end - place.offset);
}

template <class Visit> void HeldRowBuffer::eachValue(std::size_t row, Visit visit) const {
    const std::string_view packed = bytes(row);
    std::size_t at = 0;
    for (int marker = 0; at < packed.size(); ++marker) {
        const char tag = packed[at++];
        std::uint32_t number = 0;
        if (!isNullTag(tag)) {
            std::memcpy(&number, packed.data() + at, sizeof number);
            at += sizeof number;
        }
        std::string_view value;
        if (tag == text) {
            value = packed.substr(at, number);
            at += number;
        }
        if (!visit(marker, tag, static_cast<std::int32_t>(number), value))
            return;
    }
}

HeldCell HeldRowBuffer::parameter(std::size_t row, int marker) const {
    HeldCell cell;
    eachValue(row, [&](int at, char tag, std::int32_t number, std::string_view value) {
        if (at != marker)
            return true;
        cell.isNull = isNullTag(tag);
        cell.isText = tag == text;
        cell.number = cell.isNull || cell.isText ? 0 : number;
        cell.text = value;
        return false;
    });
    return cell;
}

std::vector<InsertParameter> HeldRowBuffer::parameters(std::size_t row) const {
    std::vector<InsertParameter> parameters;
    eachValue(row, [&](int, char tag, std::int32_t number, std::string_view value) {
        switch (tag) {
        case nullText:
            parameters.push_back(InsertParameter::nullText());
            break;
        case nullInteger:
        case nullSmallInteger:
            parameters.push_back(InsertParameter::nullInteger());
            break;
        case smallInteger:
            parameters.push_back(InsertParameter::smallInteger(static_cast<std::int16_t>(number)));
            break;
        case text:
            parameters.push_back(InsertParameter::text(std::string(value)));
            break;
        default:
            parameters.push_back(InsertParameter::integer(number));
            break;
        }
        return true;
    });
    return parameters;
}

HeldCell HeldRowBuffer::cell(const InsertShape& shape, std::size_t row, int column) const {
    HeldCell cell;
    if (column < 0 || static_cast<std::size_t>(column) >= shape.columns.size())
        return cell;
    const auto index = static_cast<std::size_t>(column);
    if (int marker = shape.markers[index]; marker >= 0)
        return parameter(row, marker);
    if (const auto& text = shape.texts[index]) {
        cell.isNull = false;
        cell.isText = true;
        cell.text = *text;
    } else if (const auto& number = shape.numbers[index]) {
        cell.isNull = false;
        cell.number = *number;
    }
    return cell;
}

void HeldRowBuffer::clear() {
    std::vector<std::string>().swap(chunks_);
    std::vector<RowPlace>().swap(places_);
    std::string().swap(packed_);
}

} // namespace norvak

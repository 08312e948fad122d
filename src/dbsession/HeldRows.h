#pragma once

#include "dbsession/Statement.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvak {

// One value of a row: NULL, a number or a text.
struct HeldCell {
    bool isNull = true;
    bool isText = false;
    std::int64_t number = 0;
    std::string_view text;
};

// What an INSERT INTO table (columns) VALUES (values) statement of the
// repository writes: its table (without a schema), its columns, and for each
// column the marker that gives its value (0 onwards) or, for a value in the
// text itself, -1 and that value (a number, a text in single quotes with ''
// for a quote, or NULL).
struct InsertShape {
    std::string table;
    std::vector<std::string> columns;
    std::vector<int> markers;
    std::vector<std::optional<std::string>> texts; // a literal text; nothing for a number or NULL
    std::vector<std::optional<std::int64_t>> numbers;

    // The column's index, or -1 when the statement does not write it.
    int columnIndex(std::string_view column) const;
};

// The shape of such a statement; nothing for any other text.
std::optional<InsertShape> parseInsertShape(const std::string& statement);

// The rows of one insert statement kept in memory instead of being sent,
// their parameters packed one after the other in chunks of memory: a tag
// byte (the kind of parameter, NULL or not), then a 4-byte number or a
// 4-byte length and the text's bytes.
class HeldRowBuffer {
  public:
    void add(const std::vector<InsertParameter>& parameters);
    std::size_t size() const { return places_.size(); }
    // The parameters of row `row`, as they were given.
    std::vector<InsertParameter> parameters(std::size_t row) const;
    // The value of column `column` of `shape` in row `row`, as the database
    // would hold it (a text bound without a length ends at its first NUL).
    HeldCell cell(const InsertShape& shape, std::size_t row, int column) const;
    // Frees the rows.
    void clear();

  private:
    // The packed value of marker `marker` of row `row`.
    HeldCell parameter(std::size_t row, int marker) const;
    // Calls visit(marker, tag, number, text) for each value of the row
    // until it returns false.
    template <class Visit> void eachValue(std::size_t row, Visit visit) const;

    // Where a row's bytes start; they end where the next row of the chunk starts.
    struct RowPlace {
        std::uint32_t chunk;
        std::uint32_t offset;
    };
    static constexpr std::size_t chunkBytes = 1 << 16;
    std::string_view bytes(std::size_t row) const;

    std::vector<std::string> chunks_;
    std::vector<RowPlace> places_;
    std::string packed_; // the row being added
};

// The rows held of one statement, with its shape.
struct HeldStatement {
    const InsertShape* shape = nullptr;
    HeldRowBuffer* rows = nullptr;
};

} // namespace norvak

#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace norvak {

struct Diagnostics;
struct DefinitionModel;

// Every text of an import run, stored once. A text is known by its name
// index: the byte offset at which it starts in the table's area. Byte 0 is a
// zero byte standing for the empty text (index 0); texts follow from byte 1,
// each with its terminator, and a zero byte marks the end. A hash index over
// the offsets finds a stored text without walking the area.
//
// A stored text never changes, and the texts handed out stay readable until
// the table goes: an area that is replaced by a larger one is kept, unused,
// beside it (the areas double, so the kept ones together are smaller than the
// area in use).
class NameTable {
  public:
    static constexpr int defaultSize = 262144;

    NameTable() = default;
    ~NameTable();
    NameTable(const NameTable&) = delete;
    NameTable& operator=(const NameTable&) = delete;

    // Allocates a zero-filled area of the given size, dropping every text.
    bool allocate(int size);

    // Index of a stored text, 0 when it is not stored.
    int find(std::string_view text) const;
    // True when the text, its terminator and the end mark fit in the area.
    bool fits(std::size_t length) const;
    // Doubles the area until the text fits, keeping every index and every
    // text handed out; false when the larger area cannot be obtained (the
    // table is then unchanged).
    bool growFor(std::size_t length);
    // Appends a text that is not stored yet and that fits; returns its index.
    int append(std::string_view text);

    // The text at an index; the empty text for 0. An index outside the area
    // stops a build without NDEBUG and reads as the empty text in one with it.
    const char* text(int index) const;
    // The same text as a view; a zero byte follows its last character.
    std::string_view name(int index) const { return text(index); }
    int size() const { return size_; }
    int used() const { return end_; }

  private:
    void indexOffset(int offset);
    void rehash(std::size_t slotCount);
    std::size_t slotFor(std::string_view text) const;
    void retire();

    char* area_ = nullptr;
    std::vector<char*> retired_; // areas replaced by larger ones, freed with the table
    int size_ = 0;
    int end_ = 1;
    std::vector<int> slots_; // offsets of stored texts; 0 marks a free slot
    std::size_t stored_ = 0;
};

// Stores a text once and returns its name index (0 for the empty text).
int insertName(Diagnostics& diag, DefinitionModel& model, std::string_view text);

} // namespace norvak

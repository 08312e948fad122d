#pragma once

#include "setmodel/StoredMessageSet.h"
#include "support/OutputFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace norvak {

// Lines sorted with a bounded memory: they are gathered up to a budget of
// bytes; a full batch is sorted and written to a temporary file (in TMPDIR,
// or /tmp), and the batches are merged on the way out. The lines come out in
// the order std::sort gives them (bytes compared unsigned), whatever the
// budget.
class SortedLines {
  public:
    explicit SortedLines(std::size_t budget);
    ~SortedLines();
    SortedLines(const SortedLines&) = delete;
    SortedLines& operator=(const SortedLines&) = delete;

    void add(std::string_view line);
    // Writes every line in order, each followed by a line feed. False, with
    // the reason, when a temporary file or the output failed.
    bool writeTo(OutputFile& output, std::string& failure);
    // Every line in order (for a small set of lines).
    std::vector<std::string> lines();

  private:
    // Runs open at a time before they are merged into one.
    static constexpr std::size_t mostRuns = 32;

    void spill();
    void sortBatch();
    bool mergeRuns(const std::function<void(std::string_view line)>& take);
    void mergeRunsIntoOne();

    std::size_t budget_;
    std::string arena_;
    std::vector<std::pair<std::size_t, std::size_t>> batch_; // offset and length in arena_
    std::vector<std::FILE*> runs_;
    std::string failure_;
};

// The rows of a message set in a form that two message sets holding the
// same definitions share, whatever ids, dates and uuids their rows got: one
// line per row, sorted, every id replaced by what it identifies (an item by
// its kind and identifier, a member by its type and position, a plugin
// member by its kind and name), dates left out, uuids and the ids inside
// language names replaced by placeholders. Rows of the tables no definition
// describes are counted.
//
// Made as the set is read, so that no table of rows is held whole: the
// attribute rows are taken one by one as they are read (through the set's
// attributeSink, once its items and plugin members are read), the rest once
// the set is read, each table of the set emptied once its rows are taken;
// the lines are sorted with a bounded memory (SortedLines).
class CanonicalRows {
  public:
    // About this many bytes of lines are held in memory at a time.
    static constexpr std::size_t defaultBudget = std::size_t{32} << 20;
    explicit CanonicalRows(std::size_t budget = defaultBudget);
    ~CanonicalRows();
    CanonicalRows(const CanonicalRows&) = delete;
    CanonicalRows& operator=(const CanonicalRows&) = delete;

    // One attribute row of the set, as it is read.
    void addAttribute(const StoredMessageSet& set, const StoredAttribute& row, bool ofMember);
    // The rows of every other table (and any attribute rows the set holds),
    // once the set is read; the set's tables are emptied on the way.
    void addTables(StoredMessageSet& set);
    // Writes the sorted lines; false, with the reason, when that failed.
    bool writeTo(OutputFile& output, std::string& failure) { return lines_.writeTo(output, failure); }
    std::vector<std::string> lines() { return lines_.lines(); }

    // What each id of the set stands for (made once the items are read).
    class Names;

  private:
    Names& names(const StoredMessageSet& set);

    SortedLines lines_;
    std::unique_ptr<Names> names_;
};

// The canonical rows of a set held whole, sorted.
std::vector<std::string> canonicalRows(const StoredMessageSet& set);

} // namespace norvak

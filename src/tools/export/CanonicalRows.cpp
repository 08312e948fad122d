// The canonical rows of a message set, sorted in bounded memory.
#include "tools/export/CanonicalRows.h"

#include "dbsession/RepositorySchema.h"
#include "import/model/AttributeRows.h"
#include "import/model/ItemTables.h"
#include "setmodel/MessageSetModel.h"
#include "support/StringUtilities.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <queue>
#include <unistd.h>

namespace norvak {

// ---------------------------------------------------------------------------
// Sorting with a bounded memory

namespace {

// A temporary file of its own for a sorted batch, removed from its folder at
// once (it goes with the last handle).
std::FILE* temporaryRunFile(std::string& failure) {
    const char* folder = std::getenv("TMPDIR");
    std::string path = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/norvak-rows.XXXXXX";
    int fd = ::mkstemp(path.data());
    if (fd < 0) {
        failure = "a temporary file for sorting the rows could not be made in " + path.substr(0, path.rfind('/')) +
                  ": " + std::strerror(errno);
        return nullptr;
    }
    ::unlink(path.c_str());
    std::FILE* file = ::fdopen(fd, "w+b");
    if (file == nullptr) {
        failure = std::string("a temporary file for sorting the rows could not be opened: ") + std::strerror(errno);
        ::close(fd);
    }
    return file;
}

// A run of sorted lines read back from its file: each line as its length
// (four bytes) and its bytes.
struct RunReader {
    std::FILE* file;
    std::string line;
    bool next() {
        std::uint32_t length = 0;
        if (std::fread(&length, sizeof length, 1, file) != 1)
            return false;
        line.resize(length);
        return length == 0 || std::fread(line.data(), 1, length, file) == length;
    }
};

} // namespace

SortedLines::SortedLines(std::size_t budget) : budget_(budget) {}

SortedLines::~SortedLines() {
    for (std::FILE* run : runs_)
        std::fclose(run);
}

void SortedLines::add(std::string_view line) {
    if (!batch_.empty() && arena_.size() + line.size() > budget_)
        spill();
    if (arena_.capacity() == 0)
        arena_.reserve(std::min(budget_, std::size_t{1} << 20));
    batch_.emplace_back(arena_.size(), line.size());
    arena_.append(line);
}

void SortedLines::sortBatch() {
    const char* base = arena_.data();
    std::sort(batch_.begin(), batch_.end(), [base](const auto& a, const auto& b) {
        return std::string_view(base + a.first, a.second) < std::string_view(base + b.first, b.second);
    });
}

// The batch, sorted, to a temporary file of its own.
void SortedLines::spill() {
    if (!failure_.empty() || batch_.empty()) {
        arena_.clear();
        batch_.clear();
        return;
    }
    sortBatch();
    std::FILE* run = temporaryRunFile(failure_);
    if (run != nullptr) {
        runs_.push_back(run);
        for (const auto& [offset, length] : batch_) {
            std::uint32_t size = static_cast<std::uint32_t>(length);
            if (std::fwrite(&size, sizeof size, 1, run) != 1 ||
                std::fwrite(arena_.data() + offset, 1, length, run) != length) {
                failure_ = std::string("the rows could not be sorted in a temporary file: ") +
                           std::strerror(errno != 0 ? errno : EIO);
                break;
            }
        }
        if (failure_.empty() && (std::fflush(run) != 0 || std::fseek(run, 0, SEEK_SET) != 0))
            failure_ = std::string("the rows could not be sorted in a temporary file: ") +
                       std::strerror(errno != 0 ? errno : EIO);
    }
    arena_.clear();
    batch_.clear();
    if (runs_.size() >= mostRuns && failure_.empty())
        mergeRunsIntoOne();
}

// The runs merged, line by line in order, into `take`; the runs are closed.
bool SortedLines::mergeRuns(const std::function<void(std::string_view line)>& take) {
    std::vector<RunReader> readers;
    readers.reserve(runs_.size());
    for (std::FILE* run : runs_) {
        static_cast<void>(std::setvbuf(run, nullptr, _IOFBF, std::size_t{64} << 10));
        readers.push_back(RunReader{run, std::string()});
    }
    // The smallest first line of the runs, again and again.
    auto later = [&readers](std::size_t a, std::size_t b) { return readers[b].line < readers[a].line; };
    std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> next(later);
    for (std::size_t i = 0; i < readers.size(); ++i)
        if (readers[i].next())
            next.push(i);
    while (!next.empty()) {
        std::size_t i = next.top();
        next.pop();
        take(readers[i].line);
        if (readers[i].next())
            next.push(i);
    }
    bool ok = true;
    for (std::FILE* run : runs_) {
        ok = ok && std::ferror(run) == 0;
        std::fclose(run);
    }
    runs_.clear();
    if (!ok && failure_.empty())
        failure_ = "the sorted rows could not be read back from their temporary files";
    return ok;
}

// Many runs are merged into one, so that few files are open at a time.
void SortedLines::mergeRunsIntoOne() {
    std::FILE* merged = temporaryRunFile(failure_);
    if (merged == nullptr)
        return;
    bool ok = true;
    mergeRuns([&](std::string_view line) {
        std::uint32_t size = static_cast<std::uint32_t>(line.size());
        ok = ok && std::fwrite(&size, sizeof size, 1, merged) == 1 &&
             std::fwrite(line.data(), 1, line.size(), merged) == line.size();
    });
    if (!ok || std::fflush(merged) != 0 || std::fseek(merged, 0, SEEK_SET) != 0) {
        if (failure_.empty())
            failure_ = std::string("the rows could not be sorted in a temporary file: ") +
                       std::strerror(errno != 0 ? errno : EIO);
    }
    runs_.push_back(merged);
}

bool SortedLines::writeTo(OutputFile& output, std::string& failure) {
    if (runs_.empty() && failure_.empty()) {
        // Everything fits: sorted in memory.
        sortBatch();
        for (const auto& [offset, length] : batch_) {
            output.write(std::string_view(arena_.data() + offset, length));
            output.write("\n");
        }
        arena_ = std::string();
        batch_ = {};
        return output.commit(failure);
    }
    spill();
    if (!failure_.empty()) {
        failure = failure_;
        return false;
    }
    arena_ = std::string();
    batch_ = {};

    if (!mergeRuns([&output](std::string_view line) {
            output.write(line);
            output.write("\n");
        })) {
        failure = failure_;
        return false;
    }
    return output.commit(failure);
}

std::vector<std::string> SortedLines::lines() {
    std::vector<std::string> result;
    if (runs_.empty()) {
        sortBatch();
        for (const auto& [offset, length] : batch_)
            result.emplace_back(arena_.data() + offset, length);
        return result;
    }
    spill();
    mergeRuns([&result](std::string_view line) { result.emplace_back(line); });
    return result;
}

// ---------------------------------------------------------------------------
// The rows

namespace {

std::string quoted(std::string_view text) {
    return displayQuoted(text);
}

std::string quoted(const std::string& text) {
    return quoted(std::string_view(text));
}

std::string quoted(const std::optional<std::string>& text) {
    return text ? quoted(*text) : std::string("null");
}

std::string number(const std::optional<std::int32_t>& value) {
    return value ? std::to_string(*value) : std::string("null");
}

template <class Row> std::string stamp(const Row& row) {
    return " status=" + std::to_string(row.status) + " descoped=" + std::to_string(row.descoped);
}

} // namespace

// What each id of the set stands for, through the model of the set's items
// and plugin members (made once they are read; the attribute rows go by one
// at a time), pointing into the set's rows, which do not move while the set
// is read: its tables are deques.
class CanonicalRows::Names {
  public:
    explicit Names(const StoredMessageSet& set) : model_(set, false) {}

    // An item of any kind; where kinds share an id, a type first, then an
    // element, a message, a value.
    std::string item(std::int32_t id) const {
        if (const ModelType* type = model_.type(id))
            return "type " + quoted(type->row->identifier);
        if (const ModelElement* element = model_.element(id))
            return "element " + quoted(element->row->identifier);
        if (const ModelMessage* message = model_.message(id))
            return "message " + quoted(message->row->identifier);
        // A value's type is part of its name.
        if (const ModelValue* value = model_.value(id))
            return "value " + quoted(value->row->identifier) + "/" + std::to_string(value->row->typeId);
        return "?" + std::to_string(id);
    }
    std::string member(std::int32_t id) const {
        const ModelMember* found = model_.member(id);
        if (found == nullptr)
            return "?" + std::to_string(id);
        return "member " + item(found->row->typeId) + "#" + std::to_string(found->row->sequence);
    }
    std::string plugin(std::int32_t id) const {
        const ModelPlugin* found = model_.plugin(id);
        return found == nullptr ? "?" + std::to_string(id)
                                : "plugin " + std::to_string(found->row->pluginKey) + " " + quoted(found->row->name);
    }
    // An element's type: a logical type code, or the id of a type of the set.
    std::string typeOf(std::int32_t typeId) const {
        return typeId >= firstItemId ? item(typeId) : std::to_string(typeId);
    }
    // The label of an element or a message, which its language names are made of.
    std::string labelOf(std::int32_t ownerClass, std::int32_t id) const {
        if (ownerClass != classElement && ownerClass != classMessage)
            return std::string();
        if (const ModelElement* element = model_.element(id))
            return element->row->name;
        const ModelMessage* message = model_.message(id);
        return message != nullptr ? message->row->name : std::string();
    }
    // The members' rows are gone.
    void forgetMembers() { model_.forgetMembers(); }

  private:
    MessageSetModel model_;
};

CanonicalRows::CanonicalRows(std::size_t budget) : lines_(budget) {}

CanonicalRows::~CanonicalRows() = default;

CanonicalRows::Names& CanonicalRows::names(const StoredMessageSet& set) {
    if (!names_)
        names_ = std::make_unique<Names>(set);
    return *names_;
}

namespace {

std::string attributeValue(const CanonicalRows::Names& names, const StoredAttribute& a) {
    if (!a.value)
        return "null";
    const std::string& text = *a.value;
    // Uuids and language names made as the import makes them read the same
    // whatever the ids.
    if (a.name == rows::itemUuid.name || a.name == rows::itemCobolName.name || a.name == rows::itemCName.name) {
        if (holdsWhatTheImportMakes(a, names.labelOf(a.ownerClass, a.ownerId)))
            return a.name == rows::itemUuid.name ? "<uuid>" : "<made from the label>";
    }
    if (a.type == elementReferenceType && !text.empty() &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) && text.size() < 10)
        return names.item(std::stoi(text));
    return quoted(text);
}

std::string attributeColumns(const CanonicalRows::Names& names, const StoredAttribute& a) {
    return " name=" + quoted(a.name) + " type=" + quoted(a.type) + " group=" + quoted(a.group) +
           " flags=" + std::to_string(a.flags) + " min=" + std::to_string(a.minLength) +
           " max=" + std::to_string(a.maxLength) + " plugin=" + names.plugin(a.pluginMemberId) +
           " key=" + std::to_string(a.key) + " value=" + attributeValue(names, a) + " lvalue=" + quoted(a.longValue) +
           " status=" + std::to_string(a.status);
}

// Empties a table of the set, its memory with it.
template <class Table> void release(Table& table) {
    Table().swap(table);
}

} // namespace

void CanonicalRows::addAttribute(const StoredMessageSet& set, const StoredAttribute& a, bool ofMember) {
    const Names& n = names(set);
    if (ofMember)
        lines_.add("M_MEMBER_ATTRIBUTE parent=" + n.item(a.ownerId) + " class=" + std::to_string(a.ownerClass) +
                   " child=" + n.member(a.memberId) + " childclass=" + std::to_string(a.memberClass) +
                   attributeColumns(n, a));
    else
        lines_.add(
            "M_ATTRIBUTE owner=" + (a.ownerClass == tabSettingClass ? std::to_string(a.ownerId) : n.item(a.ownerId)) +
            " class=" + std::to_string(a.ownerClass) + attributeColumns(n, a));
}

void CanonicalRows::addTables(StoredMessageSet& set) {
    Names& n = names(set);
    for (const StoredAttribute& a : set.attributes)
        addAttribute(set, a, false);
    release(set.attributes);
    for (const StoredAttribute& a : set.memberAttributes)
        addAttribute(set, a, true);
    release(set.memberAttributes);

    for (const StoredTypeMember& m : set.typeMembers)
        lines_.add("TYPE_MEMBER " + n.member(m.id) + " child=" + n.item(m.childId) +
                   " class=" + std::to_string(m.childClass) + " repeat=" + std::to_string(m.repeats) +
                   " min=" + quoted(m.minOccurs) + " max=" + quoted(m.maxOccurs) + " hint=" + quoted(m.tagHint) +
                   stamp(m));
    n.forgetMembers();
    release(set.typeMembers);
    for (const StoredValueMember& u : set.valueMembers)
        lines_.add("VALUE_MEMBER use " + n.item(u.parentId) + "#" + std::to_string(u.sequence) +
                   " value=" + n.item(u.valueId) + " class=" + std::to_string(u.parentClass) +
                   " role=" + std::to_string(u.role) + stamp(u));
    release(set.valueMembers);
    for (const StoredPluginMember& p : set.pluginMembers)
        lines_.add("REG_PLUGIN_MEMBER " + n.plugin(p.id) + " sequence=" + std::to_string(p.sequence) +
                   " active=" + std::to_string(p.active) + " final=" + std::to_string(p.layerFinal) +
                   " lock=" + quoted(p.lockDate) + " status=" + std::to_string(p.status));
    for (const StoredType& t : set.types)
        lines_.add("M_TYPE " + n.item(t.id) + " category=" + std::to_string(t.category) +
                   " flags=" + std::to_string(t.flags) + " logical=" + std::to_string(t.logicalDataType) +
                   " base=" + number(t.baseTypeId) + " composition=" + std::to_string(t.composition) +
                   " content=" + std::to_string(t.content) + " name=" + quoted(t.name) + stamp(t));
    for (const StoredElement& e : set.elements)
        lines_.add("M_ELEMENT " + n.item(e.id) + " type=" + n.typeOf(e.typeId) + " hint=" + quoted(e.tagHint) +
                   " name=" + quoted(e.name) + stamp(e));
    for (const StoredMessage& m : set.messages)
        lines_.add("M_MESSAGE " + n.item(m.id) + " type=" + n.item(m.typeId) + " mode=" + std::to_string(m.mode) +
                   " name=" + quoted(m.name) + stamp(m));
    for (const StoredValue& v : set.values)
        lines_.add("M_VALUE " + n.item(v.id) + " text=" + quoted(v.text) + " name=" + quoted(v.name) + stamp(v));
    for (const auto& [table, count] : set.otherRows)
        lines_.add(table + " rows=" + std::to_string(count));

    // Every row is taken: the names and the rows they point into go.
    names_.reset();
    release(set.types);
    release(set.elements);
    release(set.messages);
    release(set.values);
    release(set.pluginMembers);
    release(set.otherRows);
}

std::vector<std::string> canonicalRows(const StoredMessageSet& set) {
    StoredMessageSet copy = set;
    CanonicalRows rows;
    rows.addTables(copy);
    return rows.lines();
}

} // namespace norvak

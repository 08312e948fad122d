#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace norvak {

struct Diagnostics;
struct DefinitionModel;

// Logical type codes (element logicalType, type baseType, value dataType).
enum LogicalType : int {
    logicalString = 50105,
    logicalInteger = 50106,
    logicalFloat = 50107,
    logicalBinary = 50109,
    logicalBoolean = 50213,
    logicalDateTime = 50222,
    logicalDecimal = 50224,
};

// The keyword a definitions file names a logical type with ("string"), which
// reads back as its code; nullptr for any other code.
const char* logicalTypeKeyword(int code);
// Those keywords, for the hint after a type that is none of them.
inline constexpr std::string_view logicalTypeKeywords[] = {"string",  "integer",  "float",  "binary",
                                                           "boolean", "datetime", "decimal"};

// Item type bits of a type member.
enum ItemTypeBits : std::uint8_t {
    memberElement = 2,
    memberMessage = 4,
    memberType = 8,
    memberExists = 64, // already in the repository; not written
};

// Attribute classes and wire-format flags of attribute entries.
enum AttributeClass : int { classMessage = 102, classElement = 103, classType = 104, classValue = 106 };
enum AttributeFlags : std::uint8_t { flagTds = 2, flagXml = 4, flagExists = 64 };

// Name index fields hold a byte offset into the name table (0 = no text).
struct ElementEntry {
    std::int32_t zepId;
    std::int32_t zepTyp;
    std::int32_t ident;
    std::int32_t label;
    std::int32_t typeName;
    std::int32_t logicalType;
    std::int32_t typeId;
    std::int32_t length;
    std::int32_t lengthUnits;
    std::int32_t decimalPoint;
    std::int32_t padChar;
    std::int32_t signedCode;
    std::int32_t justification;
    std::int32_t byteAlignment;
    std::int32_t physicalType;
    std::int32_t cwfNullKey;
    std::int32_t cwfNullValue;
    std::int32_t xmlRender;
    std::int32_t xmlIdAttrName;
    std::int32_t xmlIdAttrValue;
    std::int32_t xmlIdValueAttrName;
    std::int32_t xmlMemberEncode;
    std::int32_t valueUseCount;
    std::int32_t repeatElemDelim; // the element's own repeating element delimiter, 0 when none
};

struct TypeEntry {
    std::int32_t zepId;
    std::int32_t ident;
    std::int32_t label;
    std::int32_t baseType;
    std::int32_t composition;
    std::int32_t typeContent;
    std::int32_t firstMember;
    std::int32_t lastMember;
};

struct MessageEntry {
    std::int32_t zepId;
    std::int32_t ident;
    std::int32_t label;
    std::int32_t typeName;
    std::int32_t typeId;
};

struct ValueEntry {
    std::int32_t zepId;
    std::int32_t dataType;
    std::int32_t ident;
    std::int32_t label;
    std::int32_t valueText;
    std::int32_t elemId;
};

struct ValueMemberEntry {
    std::int32_t zepId;
    std::int32_t valueId;
    std::int32_t refName;
    std::int32_t elemId;
    std::int16_t role;
    std::uint8_t flags;
};

struct TypeMemberEntry {
    std::int32_t zepId;
    std::int32_t ident;
    std::int32_t elemId;
    std::int32_t mesgId;
    std::int32_t typeId;
    std::int32_t ownerTypeId;
    std::int32_t next;
    std::int32_t prev;
    std::int32_t minOcc;
    std::int32_t maxOcc;
    std::int32_t repeatCount;
    std::int32_t repeatRef;
    std::int32_t physicalType;
    std::int32_t length;
    std::int32_t lengthRef;
    std::int32_t lengthUnits;
    std::int32_t signedCode;
    std::int32_t decimalPoint;
    std::int32_t byteAlignment;
    std::int32_t justification;
    std::int32_t padChar;
    std::int32_t cwfNullKey;
    std::int32_t cwfNullValue;
    std::int32_t repeatElemDelim;
    std::int32_t justificationText;
    std::int32_t xmlName;
    std::int32_t xmlRender;
    std::int32_t xmlFormat;
    std::int32_t xmlIdAttrName;
    std::int32_t xmlIdAttrValue;
    std::int32_t xmlIdValueAttrName;
    std::int32_t xmlMemberEncode;
    std::uint8_t itemType;
};

struct AttributeEntry {
    std::int32_t attrId;
    std::int32_t compId;
    std::int32_t attrClass;
    std::int32_t value;
    std::int32_t ownerId;
    std::int32_t attrKey;
    std::uint8_t flags;
};

// The member attribute table is allocated with its capacity like the others;
// nothing in the import stores into it.
struct MemberAttributeEntry {
    std::int32_t attrId;
    std::int32_t memberId;
    std::int32_t value;
    std::int32_t attrKey;
    std::uint8_t flags;
};

// Raised when storage for an item table cannot be obtained; the driver ends
// the run with its allocation message.
struct TableStorageError : std::exception {
    const char* what() const noexcept override { return "item table storage exhausted"; }
};

// Stops the run with a message naming the id and the entries in use; the
// item tables call it in builds without NDEBUG.
[[noreturn]] void itemIdOutOfRange(int id, int count);

// Entries numbered from 1 (entry 0 stays zero and is never used), zero-filled
// storage for at least capacity + 1 entries, the capacity doubling when full.
// Entry id sits in block id / blockSize at id % blockSize. Blocks are had in
// pieces, one zero-filled piece for the blocks a larger capacity adds, and a
// piece stays where it is until the table goes: entry ids and references to
// entries both stay valid for the whole run, whatever is added after them.
template <class Entry> class ItemTable {
    static_assert(std::is_trivially_copyable_v<Entry> && std::is_trivially_default_constructible_v<Entry>,
                  "entries live in zero-filled storage");

  public:
    static constexpr int blockShift = 12;
    static constexpr int blockSize = 1 << blockShift;

    ItemTable() = default;
    ~ItemTable() {
        for (Entry* piece : pieces_)
            std::free(piece);
    }
    ItemTable(const ItemTable&) = delete;
    ItemTable& operator=(const ItemTable&) = delete;

    // Sets the capacity (never below the count), getting the blocks it needs
    // in one piece, so that a capacity that cannot be had fails at once. A
    // lower capacity keeps the blocks the table has. False when the storage
    // cannot be had; the table is then unchanged.
    bool allocate(int capacity) {
        if (capacity < count_)
            capacity = count_;
        std::size_t needed = (static_cast<std::size_t>(capacity) + blockSize) >> blockShift;
        std::size_t had = blocks_.size();
        if (needed > had) {
            try {
                blocks_.reserve(needed);
                pieces_.reserve(pieces_.size() + 1);
            } catch (const std::bad_alloc&) {
                return false;
            }
            auto* piece = static_cast<Entry*>(std::calloc((needed - had) * blockSize, sizeof(Entry)));
            if (piece == nullptr)
                return false;
            pieces_.push_back(piece);
            for (std::size_t block = 0; block < needed - had; ++block)
                blocks_.push_back(piece + block * blockSize);
        }
        capacity_ = capacity;
        return true;
    }

    // Adds a zero entry and returns its id, doubling the capacity when full.
    int add() {
        if (count_ >= capacity_) {
            long long doubled = capacity_ > 0 ? 2LL * capacity_ : 1;
            if (doubled > 0x7ffffffe || !allocate(static_cast<int>(doubled)))
                throw TableStorageError();
        }
        ++count_;
        std::memset(static_cast<void*>(&slot(count_)), 0, sizeof(Entry));
        return count_;
    }

    int count() const { return count_; }
    int capacity() const { return capacity_; }
    Entry& operator[](int id) {
        check(id);
        return slot(id);
    }
    const Entry& operator[](int id) const {
        check(id);
        return slot(id);
    }

  private:
    Entry& slot(int id) const {
        auto n = static_cast<unsigned>(id);
        return blocks_[n >> blockShift][n & (blockSize - 1)];
    }
    void check([[maybe_unused]] int id) const {
#ifndef NDEBUG
        if (id < 0 || id > count_)
            itemIdOutOfRange(id, count_);
#endif
    }

    std::vector<Entry*> pieces_; // zero-filled storage, freed with the table
    std::vector<Entry*> blocks_; // blockSize entries each, within the pieces
    int count_ = 0;
    int capacity_ = 0;
};

// An item table whose entries are found by identifier: the first entry with
// a given identifier is the one found, as a front-to-back scan would find it.
template <class Entry> class KeyedItemTable : public ItemTable<Entry> {
  public:
    int findByIdent(int ident) const {
        auto found = firstByIdent_.find(ident);
        return found == firstByIdent_.end() ? 0 : found->second;
    }
    // Adds an entry with the identifier set.
    int addWithIdent(int ident) {
        int id = this->add();
        (*this)[id].ident = ident;
        firstByIdent_.emplace(ident, id);
        return id;
    }

  private:
    std::unordered_map<int, int> firstByIdent_;
};

// Find-or-add and always-add routines of the item tables.
int createElementEntry(Diagnostics& diag, DefinitionModel& model, int ident, int label);
int createMessageEntry(Diagnostics& diag, DefinitionModel& model, int ident, int label);
int createTypeEntry(Diagnostics& diag, DefinitionModel& model, int ident, int label, int baseType, int composition,
                    int typeContent);
int insertNewType(Diagnostics& diag, DefinitionModel& model, int ident, int label, int composition, int typeContent,
                  int baseType);
int createValueEntry(Diagnostics& diag, DefinitionModel& model, int ident, int label, int dataType);
int createValueMemberEntry(Diagnostics& diag, DefinitionModel& model, int valueId, int elemId, int refName,
                           std::int16_t role);
void createAttrEntry(Diagnostics& diag, DefinitionModel& model, int value, int ownerId, int attrClass, int attrKey,
                     std::uint8_t flags);
int createTypeMemberEntry(Diagnostics& diag, DefinitionModel& model, int ident, int itemId, int itemType,
                          int ownerTypeId);

} // namespace norvak

#pragma once

#include "setmodel/StoredMessageSet.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace norvak {

// What is written in one table: rows inserted and updated (whole, with
// their ids) and the ids of rows deleted.
template <class Row> struct TableChanges {
    std::vector<Row> inserts;
    std::vector<Row> updates;
    std::vector<std::int32_t> deletes;
    std::size_t size() const { return inserts.size() + updates.size() + deletes.size(); }
};

// The rows that make a stored message set hold what a definitions file
// holds, table by table, in the stored set's ids.
struct SetChanges {
    TableChanges<StoredPluginMember> pluginMembers;
    TableChanges<StoredType> types;
    TableChanges<StoredElement> elements;
    TableChanges<StoredMessage> messages;
    TableChanges<StoredValue> values;
    TableChanges<StoredTypeMember> typeMembers;
    TableChanges<StoredValueMember> valueMembers;
    TableChanges<StoredAttribute> attributes;
    TableChanges<StoredAttribute> memberAttributes;
    // The message set's NEXT_ID once the new items have taken theirs.
    std::int32_t nextId = 0;
    bool nextIdChanged = false;
    std::size_t size() const;
    // Rows inserted, updated and deleted, over every table.
    std::size_t inserted() const;
    std::size_t updated() const;
    std::size_t deleted() const;
};

// The changes that turn `stored` (every row of the set, the rows every
// import makes again included) into the rows of `file` (the file imported
// into a message set of its own that started from the stored set's plugin
// members, its rows read the same way), with `nextId` the stored set's
// NEXT_ID.
//
// Items are the same item on both sides by kind and identifier (a type,
// element or message also by its identifier without trailing blanks, a
// value first by identifier, type and text); tabs and other plugin members
// by kind and name; members of a type by type, child and the how-manieth use
// of the child; value uses by element, value and role; attribute rows by
// owner, plugin member, key and name. Rows on both sides keep their stored
// ids (and uuids); the file's other rows are inserted with new ids: items
// and members from NEXT_ID, as an import gives them, attribute rows and
// plugin members after the largest of their table. The C and COBOL names the
// import makes of an item's label and an id are made again for the ids the
// rows end with.
//
// The stored rows the file does not have are deleted, except: items only the
// stored set holds (and plugin members) without `allowRemovals`, with every
// row that belongs to them (their attribute rows, a type's members and
// their attribute rows, an element's value uses); and rows whose owner the
// set does not hold at all, which no definition describes.
SetChanges synchronisedRows(const StoredMessageSet& stored, const StoredMessageSet& file, std::int32_t nextId,
                            bool allowRemovals);

} // namespace norvak

#pragma once

#include "setmodel/StoredMessageSet.h"

#include <string>
#include <vector>

namespace norvak {

// What a wire format makes of one difference.
struct FormatVerdict {
    std::string format; // "CWF", "XML", "TDS"; "logical" for a set without tabs
    bool breaking = false;
};

// One difference between the rows of a message set (the old side) and the
// rows the import of a definitions file makes (the new side), named by what
// the rows describe: an item, a member of a type, a value of an element, a
// wire-format tab.
struct SetDifference {
    char change = '~';      // '+' only in the new side, '-' only in the old one, '~' changed
    std::string kind;       // "message", "type", "member", "element", "value", "tab"
    std::string identifier; // "Order", "Order.Note", "Currency: CurrencyJPY", "CWF Wire1"
    std::string field;      // what changed ("maxOccurs", "CWF Length"); empty for a whole item
    std::string oldValue;
    std::string newValue;
    bool oldPresent = true; // whether the old side has the field at all
    bool newPresent = true;
    std::string note;       // about an added or removed item: "minOccurs 0 (position 4)"
    std::vector<FormatVerdict> verdicts;
    bool breaking = false; // in at least one wire format
    // The import of the file would write it: it belongs to an item the set
    // does not hold.
    bool appliedByImport = false;
    // The file defines the item and the set holds it otherwise: the import
    // keeps the stored one as it is.
    bool keptByImport = false;
    // A difference the import does not take: it refuses the whole file.
    bool refusedByImport = false;
};

struct SetComparison {
    std::vector<SetDifference> differences; // messages, types and their members, elements, values, tabs
    std::vector<std::string> formats;       // the wire formats verdicts are given for
    bool refused = false;                    // the import would refuse the file over some of them
};

// Compares the rows of two message sets, read without the rows every import
// makes again (uuids, language names), by what they describe: ids, dates and
// the order rows were written in do not count. With `leaveOutRemade` either
// side may hold those rows: the ones that hold what the import makes are
// left out as they are read.
SetComparison compareMessageSets(const StoredMessageSet& oldSide, const StoredMessageSet& newSide,
                                 bool leaveOutRemade = false);

// The texts the import of the file would send to the repository: those of
// the rows it writes for the items the message set does not hold (by
// identifier, a value also by its text and type, a tab by its kind and
// name), with their members, properties and tab settings. Items the set
// holds are reused as stored: nothing of theirs is sent. `newSide` is the
// file's rows as its import makes them (ScratchImport), `oldSide` the set's.
std::vector<std::string> textsTheImportWrites(const StoredMessageSet& oldSide, const StoredMessageSet& newSide);

// The verdicts of a difference as one text: "breaking", "compatible" when all
// formats agree, otherwise "CWF: breaking; TDS, XML: compatible".
std::string verdictText(const SetDifference& difference, const std::vector<std::string>& formats);

} // namespace norvak

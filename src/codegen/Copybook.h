#pragma once

#include "layout/RecordLayout.h"
#include "setmodel/MessageSetModel.h"

#include <string>
#include <vector>

namespace norvak {

// The COBOL data name given to one field of a layout: its path, its name
// (unique within the record), and how many subscripts a reference to one
// occurrence takes (one for itself and each group around it with OCCURS).
struct CopybookField {
    std::string path;
    std::string name;
    int subscripts = 0;
};

// The copybook of one message: its record as fixed-format COBOL text
// (columns 8 to 72), the name of each field written, and what COBOL cannot
// express, one line each, written as its nearest equivalent with a comment.
struct Copybook {
    std::string message;
    std::string recordName;
    std::string text;
    std::vector<CopybookField> fields;
    std::vector<std::string> approximations;
};

// The copybook of a message's record layout, with the COBOL names the set
// stores for its items (derived the import's way where it stores none).
Copybook copybookOf(const MessageSetModel& model, const RecordLayout& layout);

} // namespace norvak

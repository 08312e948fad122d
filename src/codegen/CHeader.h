#pragma once

#include "layout/RecordLayout.h"
#include "setmodel/MessageSetModel.h"

#include <string>
#include <vector>

namespace norvak {

// The C member that stands for one field of a layout: its path and the
// member designator offsetof takes from the message's struct
// ("Customer_t.Address_t.Street", "Lines[0].Sku").
struct CHeaderField {
    std::string path;
    std::string member;
};

// The C11 header of one message: a struct whose members lie at the layout's
// offsets, with the _Static_asserts that make a compiler check them, the
// member written for each field, and what C cannot express, one line each,
// written as its nearest equivalent with a comment.
struct CHeader {
    std::string message;
    std::string structName;
    std::string guard;
    std::string text;
    std::vector<CHeaderField> fields;
    std::vector<std::string> approximations;
};

// The headers of the messages' record layouts, in their order; struct names
// and guard macros are unique among them, so that the texts can be joined
// into one header.
std::vector<CHeader> cHeadersOf(const MessageSetModel& model, const std::vector<RecordLayout>& layouts);

} // namespace norvak

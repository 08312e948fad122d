#pragma once

#include "layout/RecordLayout.h"

#include <string>

namespace norvak {

// The PICTURE and USAGE of a simple element by its physical type, and, when
// COBOL cannot hold it as it is on the wire, why: the clauses are then the
// nearest equivalent (the same bytes as PIC X where they are known).
struct CobolPicture {
    std::string clauses;       // "PIC S9(5)V9(2) COMP-3"; empty when nothing can stand for the field
    std::string approximation; // empty when the clauses are exact
    bool numeric = false;      // its 88 levels take numeric literals
};

CobolPicture cobolPicture(const LayoutField& field, int bytesPerCharacter);

} // namespace norvak

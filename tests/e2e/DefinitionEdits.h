#pragma once

#include <string>

namespace norvak::test {

// generatedModel(elements) with about `edits` random edits made to its lines,
// the same for the same arguments, that norvakload still takes into an empty
// message set: lengths, physical types, signs, padding and justification of
// element definitions and of uses by reference, occurrences and repeats,
// members added (defined in place or used by reference), removed (an element
// definition goes with every use of it) and swapped, values added and removed
// under elements and at the top level, composition and content of types,
// labels, tab settings, XML names, TDS tags, messages added and removed.
// With 40 edits or more every kind of edit is made at least once, in a file
// of three groups or more (a use by reference needs a group two back).
std::string editedModel(int elements, unsigned seed, int edits);

} // namespace norvak::test

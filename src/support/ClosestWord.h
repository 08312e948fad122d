#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace norvak {

// The known word closest to a mistyped one ("strng" -> "string", "lenght"
// -> "length"), compared without regard to case, with a letter added,
// dropped, changed or two neighbours swapped counting as one edit; nothing
// when none is close enough to be a likely slip (at most two edits, and
// fewer than half the word's letters). A word known in another case gives
// that word; a word known as it stands gives nothing.
std::optional<std::string_view> closestWord(std::string_view word, std::span<const std::string_view> known);

} // namespace norvak

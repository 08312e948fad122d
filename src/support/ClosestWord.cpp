// The closest known word to a mistyped one, for the hints after an unknown keyword or attribute.
#include "support/ClosestWord.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string_view>
#include <vector>

namespace norvak {

namespace {

char folded(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Edits from one word to the other: insertions, deletions, substitutions
// and swaps of neighbouring letters.
std::size_t editDistance(std::string_view a, std::string_view b) {
    const std::size_t columns = b.size() + 1;
    std::vector<std::size_t> d((a.size() + 1) * columns);
    auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return d[i * columns + j]; };
    for (std::size_t i = 0; i <= a.size(); ++i)
        at(i, 0) = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        at(0, j) = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t change = folded(a[i - 1]) == folded(b[j - 1]) ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + change});
            if (i > 1 && j > 1 && folded(a[i - 1]) == folded(b[j - 2]) && folded(a[i - 2]) == folded(b[j - 1]))
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
        }
    }
    return at(a.size(), b.size());
}

} // namespace

std::optional<std::string_view> closestWord(std::string_view word, std::span<const std::string_view> known) {
    std::optional<std::string_view> best;
    std::size_t bestDistance = 0;
    for (std::string_view candidate : known) {
        if (word == candidate)
            return std::nullopt; // the word is known: no slip to mend
        std::size_t distance = editDistance(word, candidate);
        if (distance == 0)
            return candidate; // known in another case
        if (distance > 2 || distance * 2 >= word.size())
            continue;
        if (!best || distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace norvak

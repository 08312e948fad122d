#include "support/SqlNames.h"

namespace norvak {

namespace {

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool isSqlIdentifier(std::string_view text) {
    if (text.empty() || text.size() > longestSqlIdentifier || !isLetter(text.front()))
        return false;
    for (char c : text) {
        if (!isLetter(c) && !isDigit(c) && c != '$')
            return false;
    }
    return true;
}

bool isSchemaPrefix(std::string_view text) {
    if (text.empty())
        return true;
    if (text.back() == '.')
        text.remove_suffix(1);
    return isSqlIdentifier(text);
}

} // namespace norvak

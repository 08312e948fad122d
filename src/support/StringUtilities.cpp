// Text helpers: blanks, tags and comments, numbers, case and quoting.
#include "support/StringUtilities.h"

#include <cstdlib>

#include <cstdio>
#include <cstring>

namespace norvak {

char* skipBlanks(char* position) {
    while (isBlank(*position))
        ++position;
    return position;
}

char* findCommentEnd(char* position) {
    char* end = std::strstr(position, "-->");
    return end != nullptr ? end : position + std::strlen(position);
}

char* findNextTag(char* position) {
    while (*position != '\0') {
        if (*position == '<') {
            if (std::strncmp(position, "<!--", 4) != 0)
                return position;
            position = findCommentEnd(position + 4);
            continue;
        }
        ++position;
    }
    return position;
}

char* findTagEnd(char* position) {
    char* end = std::strchr(position, '>');
    return end != nullptr ? end : position + std::strlen(position);
}

void replaceChar(char* text, char from, char to) {
    for (; *text != '\0'; ++text) {
        if (*text == from)
            *text = to;
    }
}

int isNumeric(const char* text) {
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9')
            return 0;
    }
    return 1;
}

void upperCase(char* text) {
    for (; *text != '\0'; ++text) {
        if (*text >= 'a' && *text <= 'z')
            *text = static_cast<char>(*text - 'a' + 'A');
    }
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

int hexByteValue(const char* position) {
    int value = hexDigitValue(position[0]);
    if (position[0] != '\0' && position[1] != '\0' && !isBlank(position[1]))
        value = value * 16 + hexDigitValue(position[1]);
    return value;
}

std::optional<std::int32_t> leadingNumber(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t leadingNumberOrZero(const char* text) {
    return leadingNumber(text).value_or(0);
}

bool isNumericValue(const char* text) {
    return isNumeric(text) && leadingNumber(text).has_value();
}

std::string displayQuoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 32) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + '"';
}

void takeConnectionDefaults(std::string& dataSource, std::string& user, std::string& password) {
    auto fill = [](std::string& value, const char* variable) {
        const char* given = std::getenv(variable);
        if (value.empty() && given != nullptr)
            value = given;
    };
    fill(dataSource, "NORVAK_DSN");
    fill(user, "NORVAK_USER");
    fill(password, "NORVAK_PASSWORD");
}

} // namespace norvak

// ODBC connection strings given for -n: their keywords and values, the credentials added to them, and the form
// in which a line shows one (its password masked).
#include "support/ConnectionText.h"

#include "support/PasswordMask.h"

#include <algorithm>

namespace norvak {

namespace {

bool sameKeyword(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The text of `text` without the keywords that `drop` picks, the ";" that
// ended each with it.
template <class Drop>
std::string withoutKeywords(std::string_view text, Drop drop) {
    std::string kept;
    std::size_t from = 0;
    for (const ConnectionKeyword& keyword : connectionKeywords(text)) {
        if (!drop(keyword.key))
            continue;
        std::size_t begin = text.rfind(';', keyword.valueBegin);
        begin = begin == std::string_view::npos ? 0 : begin + 1;
        std::size_t end = text.find(';', keyword.valueEnd);
        end = end == std::string_view::npos ? text.size() : end + 1;
        kept.append(text.substr(from, begin - from));
        from = end;
    }
    kept.append(text.substr(from));
    return kept;
}

// Reads a value in braces that begins at `begin`, up to the "}" that is not
// doubled (a doubled one stands for itself); anything after the braces up
// to the next ";" belongs to nothing. Returns where the next keyword begins.
std::size_t readBracedValue(std::string_view text, std::size_t begin, ConnectionKeyword& keyword) {
    std::size_t end = begin + 1;
    while (end < text.size()) {
        if (text[end] == '}' && end + 1 < text.size() && text[end + 1] == '}') {
            keyword.value += '}';
            end += 2;
            continue;
        }
        if (text[end] == '}')
            break;
        keyword.value += text[end++];
    }
    end = std::min(end + 1, text.size());
    keyword.valueEnd = end;
    std::size_t next = text.find(';', end);
    return next == std::string_view::npos ? text.size() : next + 1;
}

// Reads a plain value that begins at `begin`, up to the next ";", without
// its outer blanks. Returns where the next keyword begins.
std::size_t readPlainValue(std::string_view text, std::size_t begin, ConnectionKeyword& keyword) {
    std::size_t end = std::min(text.find(';', begin), text.size());
    keyword.value = trimmed(text.substr(begin, end - begin));
    keyword.valueEnd = end;
    return end + 1;
}

} // namespace

bool isConnectionString(std::string_view value) {
    return value.find('=') != std::string_view::npos;
}

std::vector<ConnectionKeyword> connectionKeywords(std::string_view text) {
    std::vector<ConnectionKeyword> keywords;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t equals = text.find('=', at);
        std::size_t semicolon = text.find(';', at);
        if (equals == std::string_view::npos)
            break;
        if (semicolon < equals) { // a part without "="
            at = semicolon + 1;
            continue;
        }
        ConnectionKeyword keyword;
        keyword.key = trimmed(text.substr(at, equals - at));
        std::size_t begin = equals + 1;
        while (begin < text.size() && isBlank(text[begin]))
            ++begin;
        keyword.valueBegin = begin;
        at = begin < text.size() && text[begin] == '{' ? readBracedValue(text, begin, keyword)
                                                        : readPlainValue(text, begin, keyword);
        if (!keyword.key.empty())
            keywords.push_back(std::move(keyword));
    }
    return keywords;
}

std::string connectionValue(std::string_view text, std::string_view key) {
    for (const ConnectionKeyword& keyword : connectionKeywords(text))
        if (sameKeyword(keyword.key, key))
            return keyword.value;
    return {};
}

bool isPasswordKeyword(std::string_view key) {
    return sameKeyword(key, "PWD") || sameKeyword(key, "Password");
}

bool isUserKeyword(std::string_view key) {
    return sameKeyword(key, "UID") || sameKeyword(key, "User") || sameKeyword(key, "Username");
}

std::string odbcConnectionValue(const std::string& value) {
    if (value.find_first_of(";{}=") == std::string::npos && value.find_first_of(" \t") != 0)
        return value;
    std::string braced = "{";
    for (char c : value) {
        braced += c;
        if (c == '}')
            braced += '}'; // a closing brace inside braces is doubled
    }
    return braced + "}";
}

std::string withCredentials(std::string_view text, const std::string& user, const std::string& password) {
    std::string result = withoutKeywords(text, [&](const std::string& key) {
        return (!user.empty() && isUserKeyword(key)) || (!password.empty() && isPasswordKeyword(key));
    });
    if (user.empty() && password.empty())
        return result;
    if (!result.empty() && result.back() != ';')
        result += ';';
    if (!user.empty())
        result += "UID=" + odbcConnectionValue(user) + ";";
    if (!password.empty())
        result += "PWD=" + odbcConnectionValue(password) + ";";
    return result;
}

std::string shownDataSource(const std::string& value) {
    if (!isConnectionString(value))
        return value;
    std::string shown;
    std::size_t from = 0;
    for (const ConnectionKeyword& keyword : connectionKeywords(value)) {
        if (!isPasswordKeyword(keyword.key))
            continue;
        shown.append(value, from, keyword.valueBegin - from);
        shown += maskedPassword(keyword.value);
        from = keyword.valueEnd;
    }
    shown.append(value, from, std::string::npos);
    return shown;
}

std::string commandLineDataSource(const std::string& value) {
    if (!isConnectionString(value))
        return value;
    std::string quoted = "'";
    for (char c : shownDataSource(value)) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

} // namespace norvak

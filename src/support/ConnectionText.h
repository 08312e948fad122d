// ODBC connection strings given for -n: their keywords and values, the credentials added to them, and the form
// in which a line shows one (its password masked).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace norvak {

// The longest connection string the tools take for -n or ZEP_DB (a data
// source name keeps its own limit).
inline constexpr std::size_t longestConnectionString = 1023;

// Whether a -n value is a connection string ("DRIVER={SQLite3};Database=x")
// rather than the name of a data source: it holds "=", which no data source
// name of the driver manager's files can.
bool isConnectionString(std::string_view value);

// One keyword of a connection string with its value as the driver reads it:
// braces taken off, a doubled "}" inside them made single.
struct ConnectionKeyword {
    std::string key;
    std::string value;
    std::size_t valueBegin = 0; // where the value's text (braces included) stands in the string
    std::size_t valueEnd = 0;
};

// The keywords of a connection string in their order; a part without "="
// is left out.
std::vector<ConnectionKeyword> connectionKeywords(std::string_view text);
// The value of the first keyword named `key` (in any case), or "".
std::string connectionValue(std::string_view text, std::string_view key);

// Whether a keyword names a password (PWD, Password) or a user (UID, User,
// Username) for some driver.
bool isPasswordKeyword(std::string_view key);
bool isUserKeyword(std::string_view key);

// A value of an ODBC connection string, in braces when it needs them.
std::string odbcConnectionValue(const std::string& value);

// The connection string with the user and password of -u and -p: each one
// given replaces the string's own keywords of its kind, as UID= and PWD=.
std::string withCredentials(std::string_view text, const std::string& user, const std::string& password);

// A -n value as the lines show it: a data source name as it is, a
// connection string with the value of every password keyword masked.
std::string shownDataSource(const std::string& value);
// The same as a command line takes it back: a connection string in single
// quotes (a quote in it as '\'').
std::string commandLineDataSource(const std::string& value);

} // namespace norvak

#pragma once

#include "dbsession/Statement.h"

#include <sql.h>

#include <string>
#include <vector>

namespace norvak {

// How every program finds a message set by its name: the PROJECT rows whose
// NAME without trailing blanks (RTRIM) equals the name given without its
// trailing blanks. So "Rev" and "Rev " name the same set, and a stored
// "Rev " from an older version is found under either. When two stored names
// differ only in trailing blanks, the name matches both and names neither:
// every program refuses it with ambiguousMessageSetLine() and changes nothing.

// The name as it is compared: its trailing blanks (spaces) taken off, as RTRIM does.
std::string comparedMessageSetName(const std::string& name);

// The condition on PROJECT that selects the rows the name matches, for the
// statements of the programs: "RTRIM(NAME) = 'Rev'" (`column` qualifies the
// column: "S.NAME").
std::string messageSetCondition(const std::string& name, const char* column = "NAME");

// Whether a name that norvakinit is to create could not be told from
// another: it begins or ends with a blank (space, tab, line end) or has
// nothing else.
bool hasOuterBlanks(const std::string& name);

// One PROJECT row the name matches.
struct MessageSetMatch {
    SQLSMALLINT key = 0;
    bool keyRead = false; // the key was read, and not NULL
    SQLUINTEGER nextId = 0;
    std::string storedName; // NAME as stored, trailing blanks and all
};

// The labels the lookup's steps are reported under: the caller's own.
struct MessageSetLookupLabels {
    const char* execute;
    const char* firstFetch;
    bool reportNoRow; // the first fetch reports the end of data (error 100)
    const char* nextFetch;
    const char* key;
    const char* nextId;
    const char* name;
};

struct MessageSetLookup {
    SQLRETURN executed = SQL_ERROR;       // the query's return code
    SQLRETURN firstFetch = SQL_NO_DATA;   // the first fetch's (SQL_NO_DATA: no row matched)
    std::vector<MessageSetMatch> matches; // every row matched, by key
    bool ambiguous() const { return matches.size() > 1; }
};

// Runs the lookup on `statement` and reads every row; the caller closes the
// cursor. Failing steps are reported through the session under the labels.
MessageSetLookup lookUpMessageSet(Statement& statement, const std::string& schemaPrefix, const std::string& name,
                                  const MessageSetLookupLabels& labels, const int& errSw);

// The one line (with its line end) a program gives when a name matches
// several rows: the name, the stored names with their keys, and the rule.
std::string ambiguousMessageSetLine(const std::string& name, const std::vector<MessageSetMatch>& matches);

} // namespace norvak

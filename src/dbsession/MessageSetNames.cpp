// How every program finds a message set by its name, trailing blanks aside.
#include "dbsession/MessageSetNames.h"

#include "dbsession/Columns.h"
#include "dbsession/RepositoryStatements.h"
#include "support/StringUtilities.h"

#include <optional>

namespace norvak {

namespace {

bool isOuterBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

} // namespace

std::string comparedMessageSetName(const std::string& name) {
    std::size_t end = name.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

std::string messageSetCondition(const std::string& name, const char* column) {
    return formatText("RTRIM(%s) = '%s'", column, quotedText(comparedMessageSetName(name)).c_str());
}

bool hasOuterBlanks(const std::string& name) {
    return !name.empty() && (isOuterBlank(name.front()) || isOuterBlank(name.back()));
}

MessageSetLookup lookUpMessageSet(Statement& statement, const std::string& schemaPrefix, const std::string& name,
                                  const MessageSetLookupLabels& labels, const int& errSw) {
    MessageSetLookup lookup;
    lookup.executed = statement.execute(
        messageSetsByConditionQuery(schemaPrefix, messageSetCondition(name, "S.NAME")), labels.execute);
    if (lookup.executed != SQL_SUCCESS)
        return lookup;
    lookup.firstFetch = statement.fetch(labels.firstFetch, labels.reportNoRow);
    SQLRETURN rc = lookup.firstFetch;
    while (rc == SQL_SUCCESS && !errSw) {
        MessageSetMatch& match = lookup.matches.emplace_back();
        bool keyIsNull = true;
        SQLRETURN keyRc = statement.number(1, SQL_C_SSHORT, match.key, labels.key, &keyIsNull);
        match.keyRead = keyRc == SQL_SUCCESS && !keyIsNull;
        statement.number(2, SQL_C_ULONG, match.nextId, labels.nextId);
        std::optional<std::string> stored;
        statement.wholeText(3, stored, labels.name);
        match.storedName = stored.value_or(std::string());
        rc = statement.fetchNext(labels.nextFetch);
    }
    return lookup;
}

std::string ambiguousMessageSetLine(const std::string& name, const std::vector<MessageSetMatch>& matches) {
    std::string candidates;
    for (const MessageSetMatch& match : matches) {
        if (!candidates.empty())
            candidates += ", ";
        candidates += formatText("%s (key %d)", displayQuoted(match.storedName).c_str(), static_cast<int>(match.key));
    }
    return formatText("*****Error - message set name %s matches %zu message sets whose names differ only in trailing "
                      "blanks, which names are compared without: %s - none of them is used; rename or remove "
                      "(norvakpurge -s KEY) all but one\n",
                      displayQuoted(name).c_str(), matches.size(), candidates.c_str());
}

} // namespace norvak

#pragma once

#include <string>
#include <vector>

namespace norvak {

class DbSession;

// What a PostgreSQL repository makes of texts an import would send it. The
// server takes a text only when its bytes are valid in the connection's
// client encoding and have an equivalent in the database's (server)
// encoding; otherwise it refuses the statement (SQLSTATE 22021 or 22P05)
// and the import fails. SQLite takes any bytes.
struct ServerEncodingCheck {
    bool checked = false;             // a PostgreSQL repository, and every text was tried
    std::string serverEncoding;       // SHOW server_encoding
    std::string clientEncoding;       // SHOW client_encoding
    std::vector<std::string> refused; // the texts the server refuses, in the order given
    std::string failure;              // on PostgreSQL, why the texts could not be tried
};

// Tries the texts on the session's connection the way an import sends them
// through psqlODBC (an array of varchar given as one text parameter,
// `?::varchar[]`), many at a time and, where a batch is refused, halves of
// it until the refused texts are found. Only texts with bytes above 127 are
// tried: every encoding PostgreSQL has takes ASCII. Nothing is written; a
// refused statement is rolled back. Nothing is tried, and nothing reported,
// on another database.
ServerEncodingCheck checkTextsWithServer(DbSession& db, const std::vector<std::string>& texts);

} // namespace norvak

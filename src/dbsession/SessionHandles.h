#pragma once

// The raw ODBC handles of a session and of a statement, for the session
// layer's own routines: the layers above work through DbSession, Statement
// and Transaction and never hold a handle (the layer check refuses this
// header outside src/dbsession).
#include "dbsession/DbSession.h"
#include "dbsession/Statement.h"

namespace norvak {

struct SessionHandles {
    static SQLHENV environment(const DbSession& db) { return db.henv(); }
    static SQLHDBC connection(const DbSession& db) { return db.hdbc(); }
    static SQLHSTMT mainStatement(const DbSession& db) { return db.hstmt(); }
    static SQLHSTMT statement(const Statement& statement) { return statement.handle_; }
};

} // namespace norvak

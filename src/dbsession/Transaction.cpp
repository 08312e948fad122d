// The guard of an open transaction: committed, or rolled back whatever ends the run.
#include "dbsession/Transaction.h"
#include "dbsession/SessionHandles.h"

#include "dbsession/DbSession.h"

#include <sqlext.h>

namespace norvak {

Transaction::~Transaction() {
    db_.discardInserts();
    if (!ended_ && db_.connected())
        SQLEndTran(SQL_HANDLE_DBC, SessionHandles::connection(db_), SQL_ROLLBACK);
    restoreAutocommit();
}

SQLRETURN Transaction::begin() {
    SQLRETURN rc = SQLSetConnectAttr(SessionHandles::connection(db_), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                                     SQL_IS_INTEGER);
    autocommitTurnedOff_ = rc == SQL_SUCCESS;
    return rc;
}

void Transaction::restoreAutocommit() {
    if (!autocommitTurnedOff_ || !db_.connected())
        return;
    autocommitTurnedOff_ = false;
    SQLSetConnectAttr(SessionHandles::connection(db_), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), SQL_IS_INTEGER);
}

SQLRETURN Transaction::commit() {
    // Rows that still wait in batches are part of what is committed; when
    // one of them fails (it is reported), nothing is.
    if (!db_.flushInserts())
        return SQL_ERROR;
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, SessionHandles::connection(db_), SQL_COMMIT);
    if (rc == SQL_SUCCESS) {
        ended_ = true;
        restoreAutocommit();
    }
    return rc;
}

SQLRETURN Transaction::rollback() {
    db_.discardInserts();
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, SessionHandles::connection(db_), SQL_ROLLBACK);
    ended_ = true;
    restoreAutocommit();
    return rc;
}

} // namespace norvak

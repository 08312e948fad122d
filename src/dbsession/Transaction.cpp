#include "dbsession/Transaction.h"

#include "dbsession/DbSession.h"

#include <sqlext.h>

namespace norvak {

Transaction::~Transaction() {
    if (!ended_ && db_.connected())
        SQLEndTran(SQL_HANDLE_DBC, db_.hdbc(), SQL_ROLLBACK);
}

SQLRETURN Transaction::commit() {
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, db_.hdbc(), SQL_COMMIT);
    if (rc == SQL_SUCCESS)
        ended_ = true;
    return rc;
}

SQLRETURN Transaction::rollback() {
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, db_.hdbc(), SQL_ROLLBACK);
    ended_ = true;
    return rc;
}

} // namespace norvak

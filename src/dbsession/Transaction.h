#pragma once

#include <sql.h>

namespace norvak {

class DbSession;

// The open transaction of a session whose connection has autocommit off.
// Dropped without commit() or rollback() (an early return, an exception), it
// rolls back whatever the transaction did; nothing is reported then, since
// the run is already ending.
class Transaction {
  public:
    explicit Transaction(DbSession& db) : db_(db) {}
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // For a session that commits each statement (autocommit on): turns
    // autocommit off, so that everything up to commit() or rollback() is one
    // transaction, and on again when the transaction ends. Returns the call's
    // result for the caller to report under its own label.
    SQLRETURN begin();

    // End the transaction; each returns SQLEndTran's result for the caller
    // to report under its own label. A failed commit leaves the transaction
    // open, so that it is still rolled back.
    SQLRETURN commit();
    SQLRETURN rollback();

  private:
    DbSession& db_;
    bool ended_ = false;
    bool autocommitTurnedOff_ = false; // by begin(): turned on again at the end

    void restoreAutocommit();
};

} // namespace norvak

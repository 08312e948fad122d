#pragma once

#include "dbsession/DbSession.h"
#include "dbsession/HeldRows.h"
#include "dbsession/Statement.h"

#include <sql.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace norvak {

// The inserts of a session. Each statement text is prepared once, on a
// statement handle of its own, and executed again for every row with new
// parameters. Rows given in batch mode wait with the other rows of their
// statement text and are sent together, as one INSERT with many VALUES rows,
// when enough of them have come, when the session runs another statement
// and when the transaction is committed; the rows of a statement go out in
// the order they came, with the parameters they came with.
//
// A batch the database refuses is written again row by row, so that the
// failing row is reported with the routine and labels its own insert
// reports ("SQLExecute in routine createValue"); the rows after it in the
// batch are not tried, and no row is sent any more until the transaction is
// rolled back (discard()). The progress lines of the rows of a batch have
// been printed by then, so the error line of a failing row can follow lines
// of rows that came after it.
class InsertBatches {
  public:
    // `rowsPerBatch` 1: every row is executed when it comes. With
    // `columnArrays` (PostgreSQL) a batch is one INSERT ... SELECT from one
    // array per column, of up to columnArrayRows rows: the server reads the
    // arrays instead of parsing a VALUES row per row.
    InsertBatches(DbSession& db, std::size_t rowsPerBatch, bool columnArrays = false);
    ~InsertBatches();
    InsertBatches(const InsertBatches&) = delete;
    InsertBatches& operator=(const InsertBatches&) = delete;

    // One row; see runInsert. Returns the code of its SQLFreeStmt step, which
    // is 0 for a row that waits in a batch.
    SQLRETURN insert(const std::string& statement, std::vector<InsertParameter> parameters, const char* routine,
                     InsertMode mode);
    // Sends the rows that wait. False when one of them failed (it is
    // reported), now or since the transaction began.
    bool flush();
    // Forgets the rows that wait and any refused one: the transaction is rolled back.
    void discard();
    // Frees every statement handle; before the connection is closed.
    void release();

    // From now on the rows given in batch mode are kept in memory, in the
    // order they come, instead of waiting to be sent: for a session whose
    // rows are read back from memory. Whatever would send waiting rows (any
    // other statement of the session, a commit, flush()) sends them first,
    // in that order; a rollback forgets them.
    void holdRows();
    // The statements with rows held and not sent, each with its shape and
    // its rows; nothing when a statement's text has no shape.
    std::optional<std::vector<HeldStatement>> heldStatements();
    // While suspended, nothing the session runs sends the held rows: they
    // are being read back.
    void suspendHeldRows(bool suspended) { heldSuspended_ = suspended; }
    // Forgets the rows held.
    void forgetHeldRows();

  private:
    struct Row {
        std::vector<InsertParameter> parameters;
        const char* routine;
    };
    struct Shape {
        std::string statement;
        OdbcHandle single{SQL_HANDLE_STMT};
        OdbcHandle full{SQL_HANDLE_STMT};
        std::size_t rowsPerBatch = 1;
        // The statement from column arrays, once the first batch has made it;
        // empty when the statement has no such form.
        std::string arrayStatement;
        OdbcHandle arrays{SQL_HANDLE_STMT};
        std::vector<Row> rows;
        // What the statement writes, for rows held in memory; made once.
        std::unique_ptr<InsertShape> parsed;
        HeldRowBuffer held;
        bool singlePrepared = false;
        bool fullPrepared = false;
        bool arraysMade = false;
        bool arraysPrepared = false;
        bool shapeParsed = false;
    };

    Shape& shapeOf(const std::string& statement, std::size_t markers);
    bool allocate(OdbcHandle& handle, const char* routine);
    // The steps of one row on the shape's own handle; `executed` gets the
    // code of SQLExecute (0 when not executed).
    SQLRETURN runRow(Shape& shape, Row& row, InsertMode mode, SQLRETURN& executed);
    // Sends the rows of one shape; false when one of them failed.
    bool send(Shape& shape);
    // Adds a row to those of its shape that wait, and sends them when they are a batch.
    void queue(Shape& shape, Row row);
    // Makes the held rows rows that wait.
    void releaseHeldRows();

    // Executes the rows of a batch as one statement from column arrays on
    // the shape's `arrays` handle and returns SQLExecute's code; `ran` is
    // false when the batch has no such form (or it could not be prepared).
    SQLRETURN executeAsArrays(Shape& shape, std::vector<Row>& rows, bool& ran);

    DbSession& db_;
    std::size_t rowsPerBatch_;
    bool columnArrays_;
    std::unordered_map<std::string, std::unique_ptr<Shape>> shapes_;
    // The shapes with rows waiting, in the order their first waiting row came.
    std::vector<Shape*> waiting_;
    // A row was refused: until the transaction is rolled back, rows given
    // in batch mode are dropped and flush() fails.
    bool failed_ = false;
    bool holding_ = false;
    bool heldSuspended_ = false;
    // The shape and the routine of each held row, in the order they came:
    // an index into the pairs seen.
    std::vector<std::pair<Shape*, const char*>> heldSources_;
    std::vector<std::uint32_t> heldFrom_;
};

// The statement text of `rows` rows of a single-row INSERT ... VALUES (...)
// statement: its VALUES row (all that follows the first " VALUES ")
// repeated, separated by commas. Empty when that is not one parenthesised row.
std::string manyRowsStatement(const std::string& statement, std::size_t rows);

// The same rows taken from one PostgreSQL array per marker, in order:
// INSERT INTO T (A, B, C) SELECT u.c1, 'x', u.c2 FROM unnest(?::int4[],
// ?::varchar[]) AS u(c1, c2), for INSERT INTO T (A, B, C) VALUES (?, 'x', ?)
// and the array types given. Empty when the text does not end in one VALUES
// row or its markers are not one per array type.
std::string columnArraysStatement(const std::string& statement, const std::vector<std::string>& arrayTypes);

} // namespace norvak

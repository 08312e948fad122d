// The inserts of a session: each statement prepared once and its rows sent in batches.
#include "dbsession/InsertBatches.h"
#include "dbsession/HandleCalls.h"
#include "dbsession/SessionHandles.h"

#include "dbsession/Columns.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace norvak {

namespace {

// At most this many parameters in one statement: within what either
// database takes in one statement and what the SQLite driver binds.
constexpr std::size_t parametersPerBatch = 900;

// Rows of a batch given as column arrays: the statement's size does not grow
// with them.
constexpr std::size_t columnArrayRows = 1000;

std::string bindLabel(std::size_t marker) {
    return "SQLBindParameter" + std::to_string(marker);
}

} // namespace

std::string manyRowsStatement(const std::string& statement, std::size_t rows) {
    static const std::string values = " VALUES ";
    // The first VALUES: the one after the column list, before any literal.
    std::size_t at = statement.find(values);
    if (at == std::string::npos || rows == 0)
        return {};
    std::string row = statement.substr(at + values.size());
    if (row.size() < 2 || row.front() != '(' || row.back() != ')')
        return {};
    std::string text = statement.substr(0, at + values.size());
    text.reserve(text.size() + rows * (row.size() + 2));
    for (std::size_t i = 0; i < rows; ++i) {
        if (i > 0)
            text += ", ";
        text += row;
    }
    return text;
}

std::string columnArraysStatement(const std::string& statement, const std::vector<std::string>& arrayTypes) {
    static const std::string values = " VALUES ";
    std::size_t at = statement.find(values);
    if (at == std::string::npos)
        return {};
    std::string row = statement.substr(at + values.size());
    if (row.size() < 2 || row.front() != '(' || row.back() != ')')
        return {};
    std::string text = statement.substr(0, at) + " SELECT ";
    std::size_t markers = 0;
    bool quoted = false;
    for (std::size_t i = 1; i + 1 < row.size(); ++i) {
        char c = row[i];
        if (c == '\'')
            quoted = !quoted;
        if (c == '?' && !quoted)
            text += "u.c" + std::to_string(++markers);
        else
            text += c;
    }
    if (markers == 0 || markers != arrayTypes.size())
        return {};
    text += " FROM unnest(";
    for (std::size_t i = 0; i < markers; ++i)
        text += (i > 0 ? ", ?::" : "?::") + arrayTypes[i];
    text += ") AS u(";
    for (std::size_t i = 0; i < markers; ++i)
        text += (i > 0 ? ", c" : "c") + std::to_string(i + 1);
    return text + ")";
}

InsertBatches::InsertBatches(DbSession& db, std::size_t rowsPerBatch, bool columnArrays)
    : db_(db), rowsPerBatch_(std::max<std::size_t>(rowsPerBatch, 1)), columnArrays_(columnArrays) {}

InsertBatches::~InsertBatches() {
    release();
}

void InsertBatches::release() {
    forgetHeldRows();
    waiting_.clear();
    shapes_.clear();
}

bool InsertBatches::allocate(OdbcHandle& handle, const char* routine) {
    if (handle)
        return true;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, SessionHandles::connection(db_), handle.out());
    db_.reportDbcError(rc, "SQLAllocHandle", routine);
    if (!SQL_SUCCEEDED(rc))
        handle.reset();
    return SQL_SUCCEEDED(rc);
}

InsertBatches::Shape& InsertBatches::shapeOf(const std::string& statement, std::size_t markers) {
    auto found = shapes_.find(statement);
    if (found != shapes_.end())
        return *found->second;
    auto shape = std::make_unique<Shape>();
    shape->statement = statement;
    if (rowsPerBatch_ > 1 && !manyRowsStatement(statement, 2).empty())
        shape->rowsPerBatch = columnArrays_ ? columnArrayRows
                                            : std::clamp<std::size_t>(parametersPerBatch / std::max<std::size_t>(markers, 1),
                                                                      1, rowsPerBatch_);
    Shape& made = *shape;
    shapes_.emplace(statement, std::move(shape));
    return made;
}

SQLRETURN InsertBatches::runRow(Shape& shape, Row& row, InsertMode mode, SQLRETURN& executed) {
    executed = SQL_SUCCESS;
    SQLHSTMT handle = SQL_NULL_HSTMT;
    if (allocate(shape.single, row.routine))
        handle = shape.single.get();
    auto report = [&](SQLRETURN rc, const char* label) {
        db_.reportSqlError(rc, SQL_HANDLE_STMT, handle, label, row.routine);
    };
    // A statement that could not be prepared is prepared again for the
    // next row, whose steps are reported as this one's are.
    if (!shape.singlePrepared) {
        SQLRETURN rc = prepare(handle, shape.statement);
        report(rc, "SQLPrepare");
        shape.singlePrepared = SQL_SUCCEEDED(rc);
    }
    for (std::size_t i = 0; i < row.parameters.size(); ++i)
        report(row.parameters[i].bind(handle, static_cast<SQLUSMALLINT>(i + 1)), bindLabel(i + 1).c_str());
    if (mode != InsertMode::reportOnly) {
        executed = SQLExecute(handle);
        report(executed, "SQLExecute");
    }
    SQLRETURN freed = SQLFreeStmt(handle, SQL_CLOSE);
    report(freed, "SQLFreeStmt");
    // The parameters go out of scope after this row: no marker may stay bound to them.
    SQLFreeStmt(handle, SQL_RESET_PARAMS);
    return freed;
}

SQLRETURN InsertBatches::insert(const std::string& statement, std::vector<InsertParameter> parameters,
                                const char* routine, InsertMode mode) {
    Shape& shape = shapeOf(statement, parameters.size());
    Row row{std::move(parameters), routine};
    if (mode != InsertMode::batch || shape.rowsPerBatch == 1) {
        // A row executed now comes after every row that waits.
        if (mode != InsertMode::reportOnly)
            flush();
        SQLRETURN executed = SQL_SUCCESS;
        return runRow(shape, row, mode, executed);
    }
    // After a refused row the run is rolled back: nothing more is sent.
    if (failed_)
        return SQL_SUCCESS;
    if (holding_) {
        shape.held.add(row.parameters);
        // Rows come from few writers: the last pair is nearly always the one.
        std::pair<Shape*, const char*> source(&shape, routine);
        auto known = std::find(heldSources_.rbegin(), heldSources_.rend(), source);
        if (known == heldSources_.rend()) {
            heldSources_.push_back(source);
            heldFrom_.push_back(static_cast<std::uint32_t>(heldSources_.size() - 1));
        } else {
            heldFrom_.push_back(static_cast<std::uint32_t>(heldSources_.rend() - known - 1));
        }
        return SQL_SUCCESS;
    }
    queue(shape, std::move(row));
    return SQL_SUCCESS;
}

void InsertBatches::queue(Shape& shape, Row row) {
    if (shape.rows.empty())
        waiting_.push_back(&shape);
    shape.rows.push_back(std::move(row));
    if (shape.rows.size() >= shape.rowsPerBatch) {
        waiting_.erase(std::find(waiting_.begin(), waiting_.end(), &shape));
        send(shape);
    }
}

void InsertBatches::holdRows() {
    holding_ = true;
}

std::optional<std::vector<HeldStatement>> InsertBatches::heldStatements() {
    std::vector<HeldStatement> statements;
    for (auto& [text, shape] : shapes_) {
        if (shape->held.size() == 0)
            continue;
        if (!shape->shapeParsed) {
            shape->shapeParsed = true;
            if (std::optional<InsertShape> parsed = parseInsertShape(shape->statement))
                shape->parsed = std::make_unique<InsertShape>(std::move(*parsed));
        }
        if (!shape->parsed)
            return std::nullopt;
        statements.push_back({shape->parsed.get(), &shape->held});
    }
    return statements;
}

void InsertBatches::forgetHeldRows() {
    for (auto& [text, shape] : shapes_)
        shape->held.clear();
    std::vector<std::uint32_t>().swap(heldFrom_);
    heldSources_.clear();
    heldSuspended_ = false;
}

void InsertBatches::releaseHeldRows() {
    if (heldSuspended_ || heldFrom_.empty())
        return;
    std::vector<std::uint32_t> from;
    from.swap(heldFrom_);
    std::unordered_map<Shape*, std::size_t> next; // the next row of each shape
    for (std::uint32_t source : from) {
        const auto& [shape, routine] = heldSources_[source];
        std::size_t& row = next[shape];
        if (!failed_ && row < shape->held.size())
            queue(*shape, Row{shape->held.parameters(row), routine});
        ++row;
    }
    for (const auto& [shape, rows] : next)
        shape->held.clear();
    heldSources_.clear();
}

bool InsertBatches::flush() {
    releaseHeldRows();
    std::vector<Shape*> shapes;
    shapes.swap(waiting_);
    for (Shape* shape : shapes) {
        if (failed_)
            shape->rows.clear();
        else
            send(*shape);
    }
    return !failed_;
}

void InsertBatches::discard() {
    forgetHeldRows();
    for (Shape* shape : waiting_)
        shape->rows.clear();
    waiting_.clear();
    failed_ = false;
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity)
SQLRETURN InsertBatches::executeAsArrays(Shape& shape, std::vector<Row>& rows, bool& ran) {
    ran = false;
    const std::vector<InsertParameter>& first = rows.front().parameters;
    if (!shape.arraysMade) {
        shape.arraysMade = true;
        std::vector<std::string> types;
        for (const InsertParameter& parameter : first)
            types.emplace_back(parameter.arrayType());
        shape.arrayStatement = columnArraysStatement(shape.statement, types);
    }
    if (shape.arrayStatement.empty())
        return SQL_ERROR;
    // Every row's parameters of the types of the first row's.
    for (const Row& row : rows) {
        if (row.parameters.size() != first.size())
            return SQL_ERROR;
        for (std::size_t i = 0; i < first.size(); ++i) {
            if (std::string_view(row.parameters[i].arrayType()) != first[i].arrayType())
                return SQL_ERROR;
        }
    }
    if (!shape.arraysPrepared) {
        if (!allocate(shape.arrays, rows.front().routine))
            return SQL_ERROR;
        shape.arraysPrepared = SQL_SUCCEEDED(prepare(shape.arrays.get(), shape.arrayStatement));
        if (!shape.arraysPrepared)
            return SQL_ERROR;
    }
    ran = true;
    std::vector<std::string> arrays(first.size(), "{");
    for (std::size_t i = 0; i < first.size(); ++i) {
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (r > 0)
                arrays[i] += ',';
            rows[r].parameters[i].appendArrayElement(arrays[i]);
        }
        arrays[i] += '}';
    }
    std::vector<SQLLEN> indicators(first.size(), SQL_NTS);
    for (std::size_t i = 0; i < arrays.size(); ++i) {
        SQLRETURN rc = SQLBindParameter(shape.arrays.get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                        SQL_C_CHAR, SQL_LONGVARCHAR, arrays[i].size(), 0, arrays[i].data(), 0,
                                        &indicators[i]);
        if (!SQL_SUCCEEDED(rc))
            return SQL_ERROR;
    }
    // The buffers go with this call; the next batch binds every marker again.
    return SQLExecute(shape.arrays.get());
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity,readability-function-size)
bool InsertBatches::send(Shape& shape) {
    std::vector<Row> rows;
    rows.swap(shape.rows);
    if (rows.empty())
        return true;
    const char* routine = rows.front().routine;
    // The handle the batch ran on, if it ran; SQLExecute's code.
    OdbcHandle partial{SQL_HANDLE_STMT};
    OdbcHandle* handle = nullptr;
    SQLRETURN executed = SQL_ERROR;
    bool ran = false;
    if (columnArrays_)
        executed = executeAsArrays(shape, rows, ran);
    if (ran) {
        handle = &shape.arrays;
    } else {
        bool whole = rows.size() == shape.rowsPerBatch;
        handle = whole ? &shape.full : &partial;
        bool prepared = whole && shape.fullPrepared;
        if (!prepared && allocate(*handle, routine)) {
            prepared = SQL_SUCCEEDED(prepare(handle->get(), manyRowsStatement(shape.statement, rows.size())));
            if (whole)
                shape.fullPrepared = prepared;
        }
        if (prepared) {
            SQLUSMALLINT marker = 0;
            bool bound = true;
            for (Row& row : rows) {
                for (InsertParameter& parameter : row.parameters)
                    bound = bound && SQL_SUCCEEDED(parameter.bind(handle->get(), ++marker));
            }
            ran = bound;
            if (bound)
                executed = SQLExecute(handle->get());
        }
    }
    if (executed == SQL_SUCCESS_WITH_INFO) {
        // Written, with something to say: said under the first row's routine.
        db_.reportSqlError(executed, SQL_HANDLE_STMT, handle->get(), "SQLExecute", routine);
    } else if (executed != SQL_SUCCESS) {
        // Row by row, each with the steps and labels of its own insert, up to
        // the first that fails. SQLite has undone the refused statement
        // alone; psqlODBC has rolled the whole transaction back, and the rows
        // are tried in the one that follows, which the run rolls back too.
        for (Row& row : rows) {
            SQLRETURN rowExecuted = SQL_SUCCESS;
            SQLRETURN freed = runRow(shape, row, InsertMode::execute, rowExecuted);
            if (rowExecuted != SQL_SUCCESS || freed != SQL_SUCCESS) {
                failed_ = true;
                break;
            }
        }
        // Refused together but not one by one (a row the rolled back part
        // of the transaction held, for one): the batch's own error, under
        // its first row's routine.
        if (!failed_ && ran) {
            db_.reportSqlError(executed, SQL_HANDLE_STMT, handle->get(), "SQLExecute", routine);
            failed_ = true;
        }
    }
    if (*handle) {
        SQLFreeStmt(handle->get(), SQL_CLOSE);
        SQLFreeStmt(handle->get(), SQL_RESET_PARAMS);
    }
    return !failed_;
}

} // namespace norvak

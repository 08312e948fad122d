// Tests of the rows an import keeps in memory instead of writing them: their statements' shapes, their values, and
// the set they read back as.
#include "dbsession/DbSession.h"
#include "dbsession/HeldRows.h"
#include "dbsession/InsertBatches.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/Statement.h"
#include "dbsession/Transaction.h"
#include "dbsession/RepositorySchema.h"
#include "import/driver/ScratchImport.h"
#include "import/repository/MessageSetReading.h"
#include "support/Diagnostics.h"
#include "support/Output.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace norvak::test {
namespace {

TEST(InsertShape, NamesEachColumnsMarkerOrValue) {
    std::optional<InsertShape> shape =
        parseInsertShape("INSERT INTO S.T (A, B, C, D, E) VALUES (?, 'it''s (a, b)', -5, NULL, ?)");
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->table, "T");
    EXPECT_EQ(shape->columns, (std::vector<std::string>{"A", "B", "C", "D", "E"}));
    EXPECT_EQ(shape->markers, (std::vector<int>{0, -1, -1, -1, 1}));
    EXPECT_EQ(shape->texts[1], "it's (a, b)");
    EXPECT_EQ(shape->numbers[2], -5);
    EXPECT_FALSE(shape->texts[3] || shape->numbers[3]); // NULL
    EXPECT_EQ(shape->columnIndex("E"), 4);
    EXPECT_EQ(shape->columnIndex("F"), -1);
}

TEST(InsertShape, IsNothingForAnyOtherStatement) {
    for (const char* text : {"UPDATE T SET A = ?", "INSERT INTO T (A, B) VALUES (?)", "INSERT INTO T (A) VALUES (?), (?)",
                             "INSERT INTO T (A) SELECT A FROM U", "INSERT INTO T (A) VALUES ('open)",
                             "INSERT INTO T (A) VALUES (x)"})
        EXPECT_FALSE(parseInsertShape(text)) << text;
}

// Every insert an import writes has a shape, whose values stand where its
// columns say: the set reads back from it as from the database.
TEST(InsertShape, EveryInsertOfAnImportHasOne) {
    const std::string schema = "NORVAK.";
    const std::string date = "2026-12-09 10:11:12";
    const RowStamp stamp{schema, 104, date};
    for (const std::string& text :
         {insertTypeStatement(stamp, 2, 3), insertElementStatement(stamp), insertMessageStatement(stamp),
          insertTypeMemberStatement(stamp, 7), insertValueStatement(stamp), insertValueMemberStatement(stamp),
          insertAttributeStatement(stamp, true), insertAttributeStatement(stamp, false),
          insertMemberAttributeStatement(stamp), insertWireFormatTabStatement(schema, 104, 5, "O''Brien", date),
          insertPluginMemberStatement(schema, 104, 3, 1, 2, "WebDav", date)}) {
        std::optional<InsertShape> shape = parseInsertShape(text);
        ASSERT_TRUE(shape) << text;
        int project = shape->columnIndex(shape->table == "REG_PLUGIN_MEMBER" ? "PROJECT_KEY" : "PROJECT");
        ASSERT_GE(project, 0) << text;
        EXPECT_EQ(shape->numbers[static_cast<std::size_t>(project)], 104) << text;
        EXPECT_EQ(shape->texts[static_cast<std::size_t>(shape->columnIndex("CREATE_DATE"))], date) << text;
    }
    std::optional<InsertShape> tab = parseInsertShape(insertWireFormatTabStatement(schema, 104, 5, "O''Brien", date));
    EXPECT_EQ(tab->texts[static_cast<std::size_t>(tab->columnIndex("REG_NAME"))], "O'Brien");
}

// A held row gives its values back as they were given, and reads as the
// database would hold it: a text ends at its first NUL.
TEST(HeldRowBuffer, KeepsEachParameterAsItWasGiven) {
    HeldRowBuffer rows;
    rows.add({InsertParameter::integer(-2147483647 - 1), InsertParameter::smallInteger(-3), InsertParameter::nullText(),
              InsertParameter::nullInteger(), InsertParameter::text(std::string("a\0b", 3)), InsertParameter::text("")});
    rows.add({InsertParameter::text("zweite Zeile: äöü"), InsertParameter::integer(7)});
    ASSERT_EQ(rows.size(), 2U);
    const InsertShape shape = *parseInsertShape("INSERT INTO T (A, B, C, D, E, F, G) VALUES (?, ?, ?, ?, ?, ?, 'x')");
    HeldCell cell = rows.cell(shape, 0, 0);
    EXPECT_TRUE(!cell.isNull && !cell.isText && cell.number == -2147483647 - 1);
    EXPECT_EQ(rows.cell(shape, 0, 1).number, -3);
    EXPECT_TRUE(rows.cell(shape, 0, 2).isNull);
    EXPECT_TRUE(rows.cell(shape, 0, 3).isNull);
    EXPECT_EQ(rows.cell(shape, 0, 4).text, "a");
    cell = rows.cell(shape, 0, 5);
    EXPECT_TRUE(!cell.isNull && cell.isText && cell.text.empty());
    EXPECT_EQ(rows.cell(shape, 0, 6).text, "x");
    EXPECT_EQ(rows.cell(shape, 1, 0).text, "zweite Zeile: äöü");
    EXPECT_EQ(rows.cell(shape, 1, 1).number, 7);

    std::vector<InsertParameter> again = rows.parameters(0);
    ASSERT_EQ(again.size(), 6U);
    EXPECT_EQ(again[0].number(), -2147483647 - 1);
    EXPECT_TRUE(again[1].isSmallInteger());
    EXPECT_TRUE(again[2].isNull() && again[2].isText());
    EXPECT_TRUE(again[3].isNull() && !again[3].isText());
    EXPECT_EQ(again[4].textValue(), "a");
    rows.clear();
    EXPECT_EQ(rows.size(), 0U);
}

// Rows past one chunk of memory go on in the next, each whole where it was put.
TEST(HeldRowBuffer, RowsGoOnInNewChunksAndReadBackWhole) {
    HeldRowBuffer rows;
    const InsertShape shape = *parseInsertShape("INSERT INTO T (A, B) VALUES (?, ?)");
    std::vector<std::string> texts;
    for (int i = 0; i < 5000; ++i) {
        texts.push_back(std::string(static_cast<std::size_t>(i % 97), static_cast<char>('a' + i % 26)) +
                        std::to_string(i));
        rows.add({InsertParameter::integer(i), InsertParameter::text(texts.back())});
    }
    rows.add({InsertParameter::integer(-1), InsertParameter::text(std::string(100000, 'z'))}); // larger than a chunk
    ASSERT_EQ(rows.size(), 5001U);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(rows.cell(shape, i, 0).number, static_cast<std::int64_t>(i));
        ASSERT_EQ(rows.cell(shape, i, 1).text, texts[i]);
    }
    EXPECT_EQ(rows.cell(shape, 5000, 1).text.size(), 100000U);
    EXPECT_EQ(rows.parameters(4999).at(1).textValue(), texts.back());
}

// A session in memory with one table.
class HeldInserts : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(db.connectWithString("DRIVER={SQLite3};Database=:memory:")) << out.text();
        Statement create(db, "test", "SQLAllocHandle");
        ASSERT_EQ(create.execute("CREATE TABLE T (A INTEGER NOT NULL, B VARCHAR(20))", "SQLExecDirect"), SQL_SUCCESS);
    }
    void TearDown() override { db.close("test"); }

    void insert(int a, const char* b) {
        runInsert(db, "INSERT INTO T (A, B) VALUES (?, ?)", {InsertParameter::integer(a), InsertParameter::text(b)},
                  "test", InsertMode::batch);
    }
    long rows() {
        Statement count(db, "test", "SQLAllocHandle");
        long n = -1;
        if (count.execute("SELECT COUNT(*) FROM T", "SQLExecDirect") == SQL_SUCCESS &&
            count.fetch("SQLFetch") == SQL_SUCCESS)
            count.number(1, SQL_C_SLONG, n, "SQLGetData1");
        return n;
    }

    Output out;
    Diagnostics diagnostics{out};
    DbSession db{diagnostics, SessionVariant::import};
};

// Rows held are written, in order, before any other statement runs, unless
// they are being read back; forgotten rows are never written.
TEST_F(HeldInserts, AreWrittenBeforeAnyOtherStatementUnlessSuspended) {
    db.inserts().holdRows();
    insert(1, "one");
    insert(2, "two");
    std::optional<std::vector<HeldStatement>> held = db.inserts().heldStatements();
    ASSERT_TRUE(held && held->size() == 1);
    EXPECT_EQ(held->front().shape->table, "T");
    EXPECT_EQ(held->front().rows->size(), 2U);

    db.inserts().suspendHeldRows(true);
    EXPECT_EQ(rows(), 0);
    db.inserts().suspendHeldRows(false);
    EXPECT_EQ(rows(), 2);

    insert(3, "three");
    db.inserts().forgetHeldRows();
    EXPECT_EQ(rows(), 2);
    Statement last(db, "test", "SQLAllocHandle");
    long a = 0;
    ASSERT_EQ(last.execute("SELECT MAX(A) FROM T", "SQLExecDirect"), SQL_SUCCESS);
    ASSERT_EQ(last.fetch("SQLFetch"), SQL_SUCCESS);
    last.number(1, SQL_C_SLONG, a, "SQLGetData1");
    EXPECT_EQ(a, 2);
}

// A repository in memory whose message set 100 holds the elements given,
// written to the database; then the elements held.
class HeldSetReading : public HeldInserts {
  protected:
    void SetUp() override {
        HeldInserts::SetUp();
        for (const TableDefinition& table : repositoryTables()) {
            Statement create(db, "test", "SQLAllocHandle");
            ASSERT_EQ(create.execute(createTableStatement(table.name, table.columns), "SQLExecDirect"), SQL_SUCCESS);
        }
    }
    // `date` makes the statement's text, and so which statement holds the row.
    void element(int id, const char* identifier, const std::string& date = "2026-12-09 10:00:00") {
        const std::string schema;
        runInsert(db, insertElementStatement(RowStamp{schema, 100, date}),
                  {InsertParameter::integer(id), InsertParameter::text(identifier), InsertParameter::integer(50105),
                   InsertParameter::nullText(), InsertParameter::text(identifier)},
                  "test", InsertMode::batch);
    }
    HeldRowsRead readBack(StoredMessageSet& set) {
        set.key = 100;
        std::optional<std::vector<HeldStatement>> held = db.inserts().heldStatements();
        EXPECT_TRUE(held);
        db.inserts().suspendHeldRows(true);
        HeldRowsRead read = readMessageSetWithHeldRows(diagnostics, db, set, true, *held);
        db.inserts().suspendHeldRows(false);
        return read;
    }
};

// Held rows whose ids come after the stored ones read back after them, in
// the order of their ids, and nothing is written.
TEST_F(HeldSetReading, RowsAfterTheStoredOnesReadBackInTheOrderOfTheirIds) {
    element(200, "Stored");
    db.flushInserts();
    db.inserts().holdRows();
    element(300, "Third");
    element(250, "Second", "2026-12-09 10:00:01"); // rows of another statement interleave
    element(320, "Fourth", "2026-12-09 10:00:01");
    StoredMessageSet set;
    ASSERT_EQ(readBack(set), HeldRowsRead::read) << out.text();
    std::vector<std::string> identifiers;
    for (const StoredElement& e : set.elements)
        identifiers.push_back(e.identifier + "@" + std::to_string(e.id));
    EXPECT_EQ(identifiers, (std::vector<std::string>{"Stored@200", "Second@250", "Third@300", "Fourth@320"}));
}

// Held rows that cannot follow the stored ones (an id at or below the
// largest stored, or an id twice) are for the database to take or refuse:
// nothing is read from memory.
TEST_F(HeldSetReading, RowsThatDoNotFollowTheStoredOnesNeedTheDatabase) {
    element(200, "Stored");
    db.flushInserts();
    db.inserts().holdRows();
    element(150, "Before");
    StoredMessageSet before;
    EXPECT_EQ(readBack(before), HeldRowsRead::needsDatabase);
    EXPECT_TRUE(before.elements.empty()); // decided before any row is read
    db.inserts().forgetHeldRows();

    element(400, "Twice");
    element(400, "Again", "2026-12-09 10:00:01");
    StoredMessageSet twice;
    EXPECT_EQ(readBack(twice), HeldRowsRead::needsDatabase);
    db.inserts().forgetHeldRows();

    element(600, "Later");
    element(500, "Sooner"); // one statement's rows out of the order of their ids
    StoredMessageSet unordered;
    EXPECT_EQ(readBack(unordered), HeldRowsRead::needsDatabase);    db.inserts().forgetHeldRows();

    insert(1, "a table no set reads");
    StoredMessageSet other;
    EXPECT_EQ(readBack(other), HeldRowsRead::needsDatabase);
}

// Every row of a set as a line of text, field by field.
std::string rowsText(const StoredMessageSet& set) {
    std::ostringstream text;
    auto optional = [](const auto& value) {
        std::ostringstream shown;
        if (value)
            shown << '[' << *value << ']';
        else
            shown << "NULL";
        return shown.str();
    };
    text << "set " << set.key << ' ' << set.name << '\n';
    for (const StoredType& r : set.types)
        text << "type " << r.id << ' ' << r.identifier << ' ' << r.category << ' ' << r.flags << ' '
             << r.logicalDataType << ' ' << optional(r.baseTypeId) << ' ' << r.composition << ' ' << r.content << ' '
             << r.name << ' ' << r.status << ' ' << r.descoped << '\n';
    for (const StoredElement& r : set.elements)
        text << "element " << r.id << ' ' << r.identifier << ' ' << r.typeId << ' ' << optional(r.tagHint) << ' '
             << r.name << ' ' << r.status << ' ' << r.descoped << '\n';
    for (const StoredMessage& r : set.messages)
        text << "message " << r.id << ' ' << r.identifier << ' ' << r.typeId << ' ' << r.mode << ' ' << r.name << ' '
             << r.status << ' ' << r.descoped << '\n';
    for (const StoredValue& r : set.values)
        text << "value " << r.id << ' ' << r.identifier << ' ' << r.typeId << " [" << r.text << "] " << r.name << ' '
             << r.status << ' ' << r.descoped << '\n';
    for (const StoredTypeMember& r : set.typeMembers)
        text << "member " << r.id << ' ' << r.typeId << ' ' << r.childId << ' ' << r.childClass << ' ' << r.sequence
             << ' ' << r.repeats << ' ' << optional(r.minOccurs) << ' ' << optional(r.maxOccurs) << ' '
             << optional(r.tagHint) << ' ' << r.status << ' ' << r.descoped << '\n';
    for (const StoredValueMember& r : set.valueMembers)
        text << "use " << r.id << ' ' << r.parentId << ' ' << r.valueId << ' ' << r.parentClass << ' ' << r.sequence
             << ' ' << r.role << ' ' << r.status << ' ' << r.descoped << '\n';
    for (const StoredPluginMember& r : set.pluginMembers)
        text << "plugin " << r.id << ' ' << r.pluginKey << ' ' << r.sequence << ' ' << r.active << ' ' << r.layerFinal
             << ' ' << r.name << ' ' << optional(r.lockDate) << ' ' << r.status << '\n';
    for (const auto* table : {&set.attributes, &set.memberAttributes})
        for (const StoredAttribute& r : *table)
            text << "attribute " << r.id << ' ' << r.ownerId << ' ' << r.ownerClass << ' ' << r.memberId << ' '
                 << r.memberClass << ' ' << r.name << ' ' << r.type << ' ' << r.group << ' ' << r.flags << ' '
                 << r.minLength << ' ' << r.maxLength << ' ' << r.pluginMemberId << ' ' << r.key << ' '
                 << (r.name == "uuid" ? std::string("(a new uuid)") : optional(r.value)) << ' ' << optional(r.longValue)
                 << ' ' << r.status << '\n';
    for (const auto& [table, count] : set.otherRows)
        text << "other " << table << ' ' << count << '\n';
    return text.str();
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The import of a definitions text in memory, its rows written to the
// database in memory (`written`) or kept in memory.
ScratchImport scratch(const std::string& text, const StoredMessageSet* configuration, bool keepRemade, bool written) {
    if (written)
        setenv("NORVAK_SCRATCH_WRITES", "database", 1);
    ScratchImport imported = importIntoScratch(text, "defs.xml", "", configuration, keepRemade);
    unsetenv("NORVAK_SCRATCH_WRITES");
    return imported;
}

// The rows kept in memory read back as those written to the database and
// read from it, for every shipped example and every test file: the same
// rows in the same order, the same outcome and report for a file the
// import refuses; with the set's own plugin members too.
TEST(HeldScratchImport, ReadsBackAsTheRowsWrittenToTheDatabase) {
    std::vector<std::filesystem::path> files;
    for (const char* folder : {"examples", "tests/fuzz/corpus"})
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(NORVAK_SOURCE_DIR) / folder))
            if (entry.path().extension() == ".xml")
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 50U);
    ScratchImport orders = scratch(fileText(std::filesystem::path(NORVAK_SOURCE_DIR) / "examples/orders.xml"), nullptr,
                                   true, true);
    ASSERT_TRUE(orders.imported) << orders.report;
    int imported = 0;
    for (const auto& file : files) {
        const std::string text = fileText(file);
        const std::vector<const StoredMessageSet*> configurations = {nullptr, &orders.rows};
        for (const StoredMessageSet* configuration : configurations) {
            for (bool keepRemade : {false, true}) {
                ScratchImport held = scratch(text, configuration, keepRemade, false);
                ScratchImport written = scratch(text, configuration, keepRemade, true);
                SCOPED_TRACE(file.filename().string() + (configuration ? " beside orders" : "") +
                             (keepRemade ? " with remade rows" : ""));
                EXPECT_EQ(held.imported, written.imported);
                EXPECT_EQ(held.exitCode, written.exitCode);
                EXPECT_EQ(held.report, written.report);
                EXPECT_EQ(rowsText(held.rows), rowsText(written.rows));
                // A file with items reads back from memory, unless told to write.
                EXPECT_EQ(held.readFromMemory, held.imported && !held.rows.elements.empty());
                EXPECT_FALSE(written.readFromMemory);
                imported += held.imported ? 1 : 0;
            }
        }
    }
    EXPECT_GT(imported, 40);
}

} // namespace
} // namespace norvak::test

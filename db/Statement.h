#pragma once
#include "Value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trawler::db {

class StatementEngine;

// A prepared statement and, once stepped, its current row. Movable, not
// copyable; finalised on destruction. Parameters are numbered from 1, result
// fields from 0.
class Statement {
public:
    Statement();
    explicit Statement(std::unique_ptr<StatementEngine> engine);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool valid() const { return m_stmt != nullptr; }

    Statement& bindText(int index, std::string_view text);
    // Binds without a copy: `text` must stay valid and unchanged until the
    // statement has been stepped and reset (execute() does both). For writers
    // that bind stack buffers row after row.
    Statement& bindTextUnowned(int index, std::string_view text);
    Statement& bindInt(int index, std::int32_t value);
    Statement& bindInt64(int index, std::int64_t value);
    Statement& bindNull(int index);
    void clearBindings();

    // Advances to the next row; false at the end of the result. A statement
    // without a result does its work on the first step.
    bool step();
    // Runs a statement without a result to its end, then makes it ready for
    // the next use with new bindings.
    void execute();
    // Back before the first row: the next step() runs the statement again.
    void reset();

    bool atEnd() const { return m_done; }
    // True when the statement returns rows (a query), false for statements
    // that only change the database.
    bool returnsRows() const;
    // True when running the statement cannot change the database file (a
    // query, or a statement such as BEGIN that only affects the connection).
    bool readOnly() const;

    int fieldCount() const;
    std::string fieldName(int index) const;
    std::vector<std::string> fieldNames() const;
    // Field index of a name, compared without regard to letter case; -1 when
    // the result has no such field.
    int fieldIndex(std::string_view name) const;

    Value value(int index) const;
    // The same field without a copy; see FieldView for how long it holds.
    FieldView field(int index) const;
    // Throws DbError naming the field when the result has no such field.
    Value value(std::string_view name) const;

    // Rows changed by the last completed data-changing statement.
    int changes() const;

private:
    StatementEngine& engine() const;
    // Throws DbError unless a row is current and has field `index`.
    void checkField(int index) const;

    std::unique_ptr<StatementEngine> m_stmt;
    bool m_hasRow = false;
    bool m_done = false;
};

} // namespace trawler::db

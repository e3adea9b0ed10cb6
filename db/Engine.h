#pragma once
// The engine behind Database and Statement: one implementation per database
// engine (an SQLite file, a PostgreSQL server). Internal to db/; every call
// may throw DbError.
#include "Value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trawler::db {

class WaitObserver;

class StatementEngine {
public:
    virtual ~StatementEngine() = default;
    // `copy` false: the text stays valid until the next step and reset.
    virtual void bindText(int index, std::string_view text, bool copy) = 0;
    virtual void bindInt(int index, std::int32_t value) = 0;
    virtual void bindInt64(int index, std::int64_t value) = 0;
    virtual void bindNull(int index) = 0;
    virtual void clearBindings() = 0;
    // Runs the statement the first time, then moves on; true while a row is current.
    virtual bool step() = 0;
    virtual void reset() = 0;
    virtual bool returnsRows() const = 0;
    virtual bool readOnly() const = 0;
    virtual int fieldCount() const = 0;
    virtual std::string fieldName(int index) const = 0;
    // The current row's field; index checked by the caller.
    virtual Value value(int index) const = 0;
    virtual FieldView field(int index) const = 0;
    virtual int changes() const = 0;
};

// Rows appended to one table in one go; see BulkInsert.
class BulkEngine {
public:
    virtual ~BulkEngine() = default;
    virtual void text(int index, std::string_view value) = 0;
    virtual void integer(int index, std::int32_t value) = 0;
    virtual void null(int index) = 0;
    virtual void endRow() = 0;
    virtual void finish() = 0;
};

class ConnectionEngine {
public:
    virtual ~ConnectionEngine() = default;
    // `asWritten`: the operator's own SQL for this engine, not the schema's
    // dialect (a server gets it unchanged).
    virtual std::unique_ptr<StatementEngine> prepare(std::string_view sql, bool asWritten = false) = 0;
    virtual std::vector<std::string> listTables() = 0;
    virtual void begin(bool write) = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual bool inTransaction() const = 0;
    // Thread-safe; the caller keeps the engine alive meanwhile.
    virtual void interrupt() = 0;
    virtual void tuneForBulkWrite() = 0;
    virtual void setWaitObserver(WaitObserver* observer) = 0;
    virtual std::unique_ptr<BulkEngine> bulkInsert(std::string_view table, const std::vector<std::string>& columns) = 0;
    virtual const char* engineName() const = 0;
};

} // namespace trawler::db

#pragma once
#include "RowBatch.h"

#include "db/Database.h"
#include "db/Statement.h"
#include "db/SummaryWriter.h"

namespace trawler::parse {

// Stores row batches through statements prepared once: each table's rows go
// several to a statement, which spares the engine most of its per-statement
// work (a cursor opened and closed, the statement reset) for every row.
// Every call may throw db::DbError; the caller owns the transaction.
class BatchWriter {
public:
    BatchWriter(db::Database& database, db::SummaryWriter& summary);

    void write(const RowBatch& batch);

private:
    // One table's statements: `many` stores kRowsPerStatement rows at once,
    // `one` the rest.
    struct Insert {
        db::Statement many;
        db::Statement one;
    };
    template <typename Row, typename Bind>
    static void writeRows(Insert& insert, const std::vector<Row>& rows, int columns, Bind bind);

    db::SummaryWriter& m_summary;
    Insert m_arp;
    Insert m_icmp;
    Insert m_syn;
    Insert m_ip;
};

} // namespace trawler::parse

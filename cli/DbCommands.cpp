// create, init and query: the database files and free SQL.
#include "Commands.h"
#include "Failure.h"
#include "Output.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "reports/FreeQuery.h"

#include <iostream>

namespace trawler::cli {

namespace {

int runCreate(const std::string& path)
{
    try {
        db::createDatabaseFile(path);
    } catch (const db::DbError& e) {
        reportFailure(path, e.description());
        return 1;
    }
    std::cout << "File Created.\n";
    return 0;
}

int runInit(const std::string& path)
{
    const db::InitOutcome outcome = db::initTables(path);
    if (!outcome.completed()) {
        reportFailure(path, *outcome.error);
        return 1;
    }
    std::cout << "The mdb file has been initialized.\n";
    return 0;
}

} // namespace

int runFreeQuery(const std::string& path, const std::string& sql, const OutputOptions& options)
{
    return writeResult(path, options.file, [&](OutputTarget& target) {
        reports::FreeQueryOutcome outcome = reports::runFreeQuery(path, sql);
        if (outcome.kind == reports::FreeQueryOutcome::Kind::Changed)
            target.stream() << reports::changedRowsMessage(outcome.changedRows) << '\n';
        if (outcome.kind == reports::FreeQueryOutcome::Kind::Rows) {
            reports::ReportCursor& cursor = *outcome.rows;
            ResultWriter writer(target, parseFormat(options.format, target.terminal()), cursor.titles(),
                                PageText{sql, std::nullopt}, options.byteOrderMark);
            writeCursorRows(cursor, writer, false);
        }
    });
}

void registerDbCommands(CLI::App& app, int& status)
{
    auto path = std::make_shared<std::string>();
    auto sql = std::make_shared<std::string>();
    auto options = std::make_shared<OutputOptions>();

    CLI::App* create = app.add_subcommand("create", "Create a new, empty database file (never replaces a file)");
    create->add_option("DB", *path, "Path of the new database file")->required();
    create->callback([&status, path] { status = runCreate(*path); });

    CLI::App* init = app.add_subcommand("init", "Give a database file the capture tables it lacks");
    init->add_option("DB", *path, "Path of an existing database file")->required();
    init->callback([&status, path] { status = runInit(*path); });

    CLI::App* query = app.add_subcommand(
        "query", "Run one SQL statement; rows print with a header line, other statements print the rows changed");
    query->add_option("DB", *path, "Path of the database file")->required();
    query->add_option("SQL", *sql, "The SQL statement")->required();
    addOutputOptions(query, *options, "tsv");
    query->callback([&status, path, sql, options] { status = runFreeQuery(*path, *sql, *options); });
}

} // namespace trawler::cli

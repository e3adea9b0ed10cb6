// create, init and query: the database files and free SQL.
#include "Commands.h"
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
        std::cerr << e.description() << '\n';
        return 1;
    }
    std::cout << "File Created.\n";
    return 0;
}

int runInit(const std::string& path)
{
    const db::InitOutcome outcome = db::initTables(path);
    if (!outcome.completed()) {
        std::cerr << *outcome.error << '\n';
        return 1;
    }
    std::cout << "The mdb file has been initialized.\n";
    return 0;
}

} // namespace

int runFreeQuery(const std::string& path, const std::string& sql, OutputFormat format)
{
    try {
        reports::FreeQueryOutcome outcome = reports::runFreeQuery(path, sql);
        if (outcome.kind == reports::FreeQueryOutcome::Kind::Nothing)
            return 0;
        if (outcome.kind == reports::FreeQueryOutcome::Kind::Changed) {
            std::cout << reports::changedRowsMessage(outcome.changedRows) << '\n';
            return 0;
        }
        reports::ReportCursor& cursor = *outcome.rows;
        TableWriter writer(std::cout, format, cursor.titles());
        writeCursorRows(cursor, writer);
    } catch (const reports::ReportError& e) {
        std::cout.flush();
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}

void registerDbCommands(CLI::App& app, int& status)
{
    auto path = std::make_shared<std::string>();
    auto sql = std::make_shared<std::string>();
    auto format = std::make_shared<std::string>();

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
    addFormatOption(query, *format, "tsv");
    query->callback([&status, path, sql, format] { status = runFreeQuery(*path, *sql, parseFormat(*format)); });
}

} // namespace trawler::cli

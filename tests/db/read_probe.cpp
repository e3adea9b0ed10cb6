// Opens a database the way the test asks and runs one statement, so that
// the access tests can do so as another (unprivileged) user.
//   read_probe ro|rw PATH SQL   prints the first field of every row
// A DbError prints "error: <description>" and exits 1.
#include "db/Database.h"
#include "db/DbError.h"

#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    using trawler::db::Database;
    if (argc != 4)
        return 2;
    try {
        Database db(argv[2], std::string(argv[1]) == "ro" ? Database::Access::ReadOnly : Database::Access::ReadWrite);
        auto st = db.prepare(argv[3]);
        while (st.step())
            std::cout << st.value(0).toText().value_or("NULL") << '\n';
    } catch (const trawler::db::DbError& e) {
        std::cout << "error: " << e.description() << '\n';
        return 1;
    }
    return 0;
}

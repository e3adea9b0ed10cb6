#pragma once
// A test fixture with one throwaway server for all its tests (PgServer.h);
// each test skips, saying why, when no server can be started here.
#include "PgServer.h"

#include "db/DatabaseFile.h"

#include <gtest/gtest.h>

#include <string>

namespace trawler::test {

// `Fixture` is the deriving fixture: each gets a server of its own.
template <typename Fixture> class PgServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_server = PgServer::start(s_why).release(); }
    static void TearDownTestSuite()
    {
        delete s_server;
        s_server = nullptr;
    }
    void SetUp() override
    {
        if (!s_server)
            GTEST_SKIP() << s_why;
    }

    // A new, initialised database on the server, named `prefix` and a number.
    static std::string freshDatabase(const std::string& prefix)
    {
        static int counter = 0;
        const std::string uri = s_server->uri(prefix + std::to_string(++counter));
        db::createDatabaseFile(uri);
        EXPECT_TRUE(db::initTables(uri).completed());
        return uri;
    }

    static inline PgServer* s_server = nullptr;
    static inline std::string s_why;
};

} // namespace trawler::test

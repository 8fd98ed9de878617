#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <future>

#include "server/storage.h"

namespace rindou::server {
namespace {

struct Folder {
    std::filesystem::path path;
    Folder() {
        path = std::filesystem::temp_directory_path() /
               ("rindou-storage-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(path);
    }
    ~Folder() { std::filesystem::remove_all(path); }
    std::string db() const { return (path / "games" / "server.sqlite").string(); }
};

WriteBatch event(const std::string& game, int64_t v) {
    WriteBatch b;
    b.events.push_back({game, EventRow{v, "move", "{\"ply\":" + std::to_string(v) + "}", 1000 + v}});
    return b;
}

TEST(SqliteStorage, CommitsBatchesTogetherAndFailsABadOneAlone) {
    Folder f;
    {
        auto s = open_sqlite_storage(f.db());
        WriteBatch first;
        first.new_games.push_back(GameRow{"AAAAAAAA", 5, "{}", "inv", "seat1", "", "", false});
        first.new_games.push_back(GameRow{"BBBBBBBB", 6, "{}", "inv2", "", "seat2", "", false});
        std::vector<std::future<bool>> done;
        auto submit = [&](WriteBatch b) {
            auto p = std::make_shared<std::promise<bool>>();
            done.push_back(p->get_future());
            s->submit(std::move(b), [p](Stored ok) { p->set_value(ok == Stored::ok); });
        };
        submit(std::move(first));
        for (int64_t v = 1; v <= 20; ++v) submit(event("AAAAAAAA", v));
        submit(event("AAAAAAAA", 3));  // a version that is stored already
        WriteBatch join = event("BBBBBBBB", 1);
        join.seats.push_back({"BBBBBBBB", false, "seat3", "key"});
        join.ended.push_back("BBBBBBBB");
        join.heartbeat_ms = 77;
        submit(std::move(join));
        for (size_t i = 0; i < done.size(); ++i) EXPECT_EQ(done[i].get(), i != 21) << i;
        s->close();
    }
    auto s = open_sqlite_storage(f.db());
    const auto a = s->load("AAAAAAAA");
    ASSERT_TRUE(a);
    ASSERT_EQ(a->events.size(), 20u);
    EXPECT_EQ(a->events[19].v, 20);
    EXPECT_EQ(a->events[2].data, "{\"ply\":3}");
    const auto b = s->load("BBBBBBBB");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->row.seat_lower, "seat3");
    EXPECT_EQ(b->row.join_key, "key");
    EXPECT_EQ(s->unfinished(), std::vector<std::string>{"AAAAAAAA"});
    EXPECT_EQ(s->last_heartbeat(), 77);
    EXPECT_FALSE(s->load("CCCCCCCC"));
}

TEST(SqliteStorage, RefusesADatabaseOfANewerSchemaAndAFileThatIsNone) {
    Folder f;
    open_sqlite_storage(f.db())->close();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(f.db().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE schema_version SET version = 2", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    EXPECT_THROW(open_sqlite_storage(f.db()), StorageError);

    const auto junk = (f.path / "junk.sqlite").string();
    std::filesystem::create_directories(f.path);
    FILE* out = std::fopen(junk.c_str(), "wb");
    std::fputs("this is no database, only some text that is long enough to look like a header\n", out);
    std::fclose(out);
    EXPECT_THROW(open_sqlite_storage(junk), StorageError);
}

}  // namespace
}  // namespace rindou::server

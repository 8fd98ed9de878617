// The runner of the game's work: waits hand over, resumes go on where they
// stopped, the end stops everything after it, and work dropped mid-wait
// leaves nothing behind.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "play/work.h"

namespace rindou::test {
namespace {

Work<bool> asked(std::string* log) {
    *log += "ask ";
    const bool yes = co_await question("t", "q?");
    *log += yes ? "yes " : "no ";
    co_return yes;
}

Work<> handler(std::string* log) {
    co_await notice("title", "words");
    *log += "closed ";
    const bool yes = co_await asked(log);
    if (!yes) {
        co_await program_end();
        *log += "after the end ";
    }
    co_await pause_step(0.5);
    *log += "done";
}

TEST(Work, EachWaitIsHandedOutAndResumedWhereItStopped) {
    std::string log;
    Runner r;
    r.start(handler(&log));
    ASSERT_TRUE(r.busy());
    EXPECT_EQ(r.wait().kind, Wait::Kind::Notice);
    EXPECT_EQ(r.wait().text, "words");
    EXPECT_EQ(log, "");
    r.resume();
    ASSERT_EQ(r.wait().kind, Wait::Kind::Question);
    EXPECT_EQ(log, "closed ask ");
    r.answer(true);
    ASSERT_EQ(r.wait().kind, Wait::Kind::Pause);
    EXPECT_EQ(r.wait().seconds, 0.5);
    r.resume();
    EXPECT_FALSE(r.busy());
    EXPECT_FALSE(r.ended());
    EXPECT_EQ(log, "closed ask yes done");

    // Answered No, the work ends the program: nothing after the end runs.
    log.clear();
    r.start(handler(&log));
    r.resume();
    r.answer(false);
    EXPECT_TRUE(r.ended());
    EXPECT_FALSE(r.busy());
    EXPECT_EQ(log, "closed ask no ");
}

// Counts the frames alive: dropping work mid-wait must free all of them
// (the sanitizer build would also report the leak).
struct Alive {
    explicit Alive(int* n) : n_(n) { ++*n_; }
    ~Alive() { --*n_; }
    int* n_;
};

Work<> inner(int* alive) {
    Alive a(alive);
    const SearchOutcome r = co_await searched(SearchRequest{});
    (void)r;
    ADD_FAILURE() << "resumed after being dropped";
}

Work<> outer(int* alive) {
    Alive a(alive);
    co_await inner(alive);
}

Work<> fails() {
    co_await pause_step(0.1);
    throw std::runtime_error("broken");
}

Work<> calls_failing(std::string* log) {
    try {
        co_await fails();
    } catch (const std::runtime_error& e) {
        *log += e.what();
    }
    throw std::logic_error("again");
}

TEST(Work, DroppedWorkFreesItsFramesAndFailuresReachTheRunner) {
    int alive = 0;
    Runner r;
    r.start(outer(&alive));
    ASSERT_EQ(r.wait().kind, Wait::Kind::Search);
    EXPECT_EQ(alive, 2);
    r.abandon();
    EXPECT_EQ(alive, 0);
    EXPECT_FALSE(r.busy());
    r.resume();  // an answer after the drop is no answer

    // A failure goes up through the awaiting work, and out of the call
    // that resumed it once the work has ended.
    std::string log;
    r.start(calls_failing(&log));
    EXPECT_THROW(r.resume(), std::logic_error);
    EXPECT_EQ(log, "broken");
    EXPECT_FALSE(r.busy());
}

}  // namespace
}  // namespace rindou::test

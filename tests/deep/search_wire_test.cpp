// The deep search's request as the page hands it to its search worker: read
// back from its text, it searches exactly as the request itself.
#include <gtest/gtest.h>

#include "app/web/search_wire.h"
#include "deep/position.h"
#include "play/deep_play.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

TEST(SearchWire, ARequestReadBackSearchesAsTheRequestItself) {
    TestGame t;
    t.menu("LEVEL4");
    t.menu("SENTE");
    t.move(7, 7, 7, 6);
    t.move(2, 7, 2, 6);
    SearchRequest request = search_request(t.g, t.g.st.side_to_move, 4);
    request.nodes = 20000;
    SearchRequest back;
    ASSERT_TRUE(web::read_request(web::write_request(request), back));
    const deep::SearchResult a = run_search(request), b = run_search(back);
    EXPECT_EQ(a.best, b.best);
    EXPECT_EQ(a.score, b.score);
    EXPECT_EQ(a.nodes, b.nodes);
    deep::SearchResult r;
    ASSERT_TRUE(web::read_result(web::write_result(a), r));
    EXPECT_EQ(r.best, a.best);
    EXPECT_FALSE(web::read_request("1 2 3", back));
}

}  // namespace
}  // namespace rindou::test

#include "play/work.h"

namespace rindou {

deep::SearchResult run_search(const SearchRequest& request, const std::atomic<bool>* stop,
                              const std::function<void(const deep::SearchInfo&)>& on_info) {
    deep::SearchLimits limits;
    limits.nodes = request.nodes;
    limits.stop = stop;
    limits.history = request.history;
    return deep::search_from(request.start, request.mode_com, limits, on_info);
}

void Runner::start(Work<> work) {
    root_ = std::move(work);
    ended_ = false;
    root_.handle().promise().runner = this;
    go_on(root_.handle());
}

void Runner::go_on(coro::coroutine_handle<> from) {
    waiting_at_ = {};
    from.resume();
    if (ended_) {
        // The program ends where the work stands: its frames go, and
        // nothing after the end runs.
        root_ = Work<>();
        return;
    }
    if (root_.handle().done()) {
        std::exception_ptr error = root_.handle().promise().error;
        root_ = Work<>();
        if (error) std::rethrow_exception(error);
    }
}

void Runner::resume() {
    if (!waiting_at_) return;
    go_on(waiting_at_);
}

void Runner::answer(bool yes) {
    answer_ = yes;
    resume();
}

void Runner::deliver(deep::SearchResult result) {
    result_ = SearchOutcome{std::move(result), false};
    resume();
}

void Runner::search_failed() {
    result_ = SearchOutcome{{}, true};
    resume();
}

void Runner::abandon() {
    root_ = Work<>();
    waiting_at_ = {};
}

void Runner::suspend_at(coro::coroutine_handle<> at, Wait wait) {
    waiting_at_ = at;
    wait_ = std::move(wait);
}

void Runner::end_here() {
    ended_ = true;
    wait_ = Wait{};
    wait_.kind = Wait::Kind::End;
}

detail::WaitFor<void> pause_step(double seconds) {
    Wait w;
    w.kind = Wait::Kind::Pause;
    w.seconds = seconds;
    return {std::move(w)};
}

namespace {
Wait box(Wait::Kind kind, std::string title, std::string text) {
    Wait w;
    w.kind = kind;
    w.title = std::move(title);
    w.text = std::move(text);
    return w;
}
}  // namespace

detail::WaitFor<void> notice(std::string title, std::string text) {
    return {box(Wait::Kind::Notice, std::move(title), std::move(text))};
}

detail::WaitFor<bool> question(std::string title, std::string text) {
    return {box(Wait::Kind::Question, std::move(title), std::move(text))};
}

detail::WaitFor<bool> about_box_closed() {
    Wait w;
    w.kind = Wait::Kind::About;
    return {std::move(w)};
}

detail::WaitFor<SearchOutcome> searched(SearchRequest request) {
    Wait w;
    w.kind = Wait::Kind::Search;
    w.search = std::move(request);
    return {std::move(w)};
}

detail::EndHere program_end() { return {}; }

namespace {
// A search that throws (out of memory) is a failed search, not the end of
// the work that waits for it.
void deliver_search(Runner& runner, const SearchRequest& request) {
    deep::SearchResult result;
    try {
        result = run_search(request);
    } catch (const std::exception&) {
        runner.search_failed();
        return;
    }
    runner.deliver(std::move(result));
}
}  // namespace

bool run_at_once(Game& g, Work<> work) {
    Runner runner;
    runner.start(std::move(work));
    while (runner.busy()) {
        const Wait& w = runner.wait();
        switch (w.kind) {
            case Wait::Kind::Pause: g.io.clock->idle(w.seconds); runner.resume(); break;
            case Wait::Kind::Notice:
                g.io.dialogs->message(w.title, w.text);
                runner.resume();
                break;
            case Wait::Kind::Question: runner.answer(g.io.dialogs->ask_yes_no(w.title, w.text)); break;
            case Wait::Kind::About: runner.answer(g.io.host->about_box()); break;
            case Wait::Kind::Search: deliver_search(runner, w.search); break;
            case Wait::Kind::End: runner.abandon(); break;
        }
    }
    return runner.ended();
}

}  // namespace rindou

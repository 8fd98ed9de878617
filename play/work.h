// The game's work as coroutines that wait instead of blocking.
//
// Whatever the game does in answer to a click, a key, a menu command or the
// start-up may have to wait: a pause the eye can follow, a notice the person
// closes, a Yes/No question, the about box, the deep search.  No front end
// may block for them (a web page cannot block its thread at all, and a window
// that blocks cannot repaint), so each handler is a coroutine, a `Work`, that
// suspends at its first wait and hands the front end a `Wait` saying what it
// waits for.  The front end holds the work in a `Runner` and resumes it when
// the wait is over: a timer fired, the person answered, the search finished.
// The handlers keep their reading order:
//
//     co_await notice(title, words);
//     if (co_await question(title, words)) ...
//     SearchOutcome o = co_await searched(request);
//
// The end of the program is a wait that is never resumed: the front end sees
// it and drops the work, so nothing of the handler runs after it.
//
// GCC 12 builds wrong code for a co_await inside a condition or beside a
// conditional expression (a temporary destroyed twice, an unreachable trap):
// each co_await here stands as a statement of its own or as the whole
// initialiser of a variable, and what it shows is worked out before it.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "core/game.h"
#include "deep/search.h"
#include "play/coroutine.h"

namespace rindou {

// A deep search the game asks for: pure data, so that a front end may run it
// anywhere (on a worker thread, inline, in a web worker).
struct SearchRequest {
    deep::Position start;
    bool mode_com = false;
    uint64_t nodes = 0;
    std::vector<uint64_t> history;
};

// Runs a request to its end, or until `stop` is set (the best move found so
// far is then kept).  `on_info` hears of each finished depth.
deep::SearchResult run_search(const SearchRequest& request,
                              const std::atomic<bool>* stop = nullptr,
                              const std::function<void(const deep::SearchInfo&)>& on_info = {});

// What a search the game waited for came to: its result, or that it could
// not be run at all (the thread or the worker running it failed), which is
// no result and must never be taken for one.
struct SearchOutcome {
    deep::SearchResult result;
    bool failed = false;
};

// What the game waits for.
struct Wait {
    enum class Kind {
        Pause,     // `seconds` more on the clock; input is dropped meanwhile
        Notice,    // a message box with `title` and `text`, closed by the person
        Question,  // a Yes/No box; answered by answer()
        About,     // the about box; answered true when its home-page button was pressed
        Search,    // the deep search of `search`; answered by deliver() or search_failed()
        End,       // the program ends; never resumed
    };
    Kind kind = Kind::Pause;
    double seconds = 0;
    std::string title, text;
    SearchRequest search;
};

class Runner;

namespace detail {

// What every promise of a Work knows: the runner it runs under and whom to
// go on with when it is done.
struct PromiseBase {
    Runner* runner = nullptr;
    coro::coroutine_handle<> continuation;
    std::exception_ptr error;

    coro::suspend_always initial_suspend() noexcept { return {}; }
    struct Final {
        bool await_ready() noexcept { return false; }
        template <class P>
        coro::coroutine_handle<> await_suspend(coro::coroutine_handle<P> h) noexcept {
            coro::coroutine_handle<> next = h.promise().continuation;
            return next ? next : coro::noop_coroutine();
        }
        void await_resume() noexcept {}
    };
    Final final_suspend() noexcept { return {}; }
    void unhandled_exception() { error = std::current_exception(); }
};

template <class T>
struct Promise;

}  // namespace detail

// A piece of the game's work that may wait.  It starts when it is awaited
// (from other work) or started by a Runner, never on its own, so a Work that
// is made and dropped does nothing: hence [[nodiscard]].
template <class T = void>
class [[nodiscard]] Work {
public:
    using promise_type = detail::Promise<T>;
    using Handle = coro::coroutine_handle<promise_type>;

    Work() noexcept = default;
    explicit Work(Handle h) : h_(h) {}
    Work(Work&& other) noexcept : h_(std::exchange(other.h_, {})) {}
    Work& operator=(Work&& other) noexcept {
        if (this != &other) {
            if (h_) h_.destroy();
            h_ = std::exchange(other.h_, {});
        }
        return *this;
    }
    Work(const Work&) = delete;
    Work& operator=(const Work&) = delete;
    ~Work() {
        if (h_) h_.destroy();
    }

    // Awaited from other work: runs under the same runner, and goes on with
    // the awaiting work when done.
    bool await_ready() const noexcept { return false; }
    template <class P>
    coro::coroutine_handle<> await_suspend(coro::coroutine_handle<P> parent) noexcept {
        h_.promise().runner = parent.promise().runner;
        h_.promise().continuation = parent;
        return h_;
    }
    T await_resume() {
        if (h_.promise().error) std::rethrow_exception(h_.promise().error);
        if constexpr (!std::is_void_v<T>) return std::move(*h_.promise().value);
    }

    Handle handle() const { return h_; }

private:
    Handle h_{};
};

namespace detail {

template <class T>
struct Promise : PromiseBase {
    std::optional<T> value;
    Work<T> get_return_object() { return Work<T>(Work<T>::Handle::from_promise(*this)); }
    void return_value(T v) { value = std::move(v); }
};

template <>
struct Promise<void> : PromiseBase {
    Work<void> get_return_object() {
        return Work<void>(Work<void>::Handle::from_promise(*this));
    }
    void return_void() {}
};

}  // namespace detail

// The work in progress of one game, as a front end holds it.
class Runner {
public:
    // Starts `work` and runs it up to its first wait, or to its end.  A
    // front end starts nothing while work is in progress (it drops the
    // input instead).  What the work throws is thrown here, or by the call
    // that resumes it, once it has ended.
    void start(Work<> work);
    // Work is in progress: it waits for wait().
    bool busy() const { return static_cast<bool>(root_.handle()); }
    // The program has ended (the work waited for Kind::End).
    bool ended() const { return ended_; }
    const Wait& wait() const { return wait_; }

    // The wait is over: the pause has passed, the notice was closed.
    void resume();
    // The answer to a question or the about box.
    void answer(bool yes);
    // The result of the search asked for.
    void deliver(deep::SearchResult result);
    // The search asked for could not be run (its thread or worker failed):
    // the game hears of the failure instead of a result.
    void search_failed();
    // Drops the work in progress where it waits (the window is closing):
    // nothing more of it runs.
    void abandon();

    // Used by the waits themselves.
    void suspend_at(coro::coroutine_handle<> at, Wait wait);
    void end_here();
    bool answer_given() const { return answer_; }
    SearchOutcome take_result() { return std::move(result_); }

private:
    void go_on(coro::coroutine_handle<> from);

    Work<> root_;
    coro::coroutine_handle<> waiting_at_;
    Wait wait_;
    bool answer_ = false;
    SearchOutcome result_;
    bool ended_ = false;
};

namespace detail {

// The one awaitable of the waits: it suspends the whole chain of work and
// leaves the runner the wait.
template <class T>
struct WaitFor {
    Wait wait;
    Runner* runner = nullptr;
    bool await_ready() const noexcept { return false; }
    template <class P>
    void await_suspend(coro::coroutine_handle<P> h) {
        runner = h.promise().runner;
        runner->suspend_at(h, std::move(wait));
    }
    T await_resume() {
        if constexpr (std::is_same_v<T, bool>)
            return runner->answer_given();
        else if constexpr (std::is_same_v<T, SearchOutcome>)
            return runner->take_result();
    }
};

struct EndHere {
    bool await_ready() const noexcept { return false; }
    template <class P>
    void await_suspend(coro::coroutine_handle<P> h) {
        h.promise().runner->end_here();
    }
    void await_resume() {}
};

}  // namespace detail

// The clock goes on by `seconds` (one step of a pause: see pause_seconds).
detail::WaitFor<void> pause_step(double seconds);
// A notice: a title and a text with one OK.
detail::WaitFor<void> notice(std::string title, std::string text);
// A Yes/No question: true for Yes.
detail::WaitFor<bool> question(std::string title, std::string text);
// The about box: true when its home-page button was pressed.
detail::WaitFor<bool> about_box_closed();
// The deep search of a request.
detail::WaitFor<SearchOutcome> searched(SearchRequest request);
// The program ends here.
detail::EndHere program_end();

// Runs work to its end at once, answering every wait through the game's
// ports: notices and questions through the dialogs (the console's queue of
// answers, a test's log), pauses by the clock's idle, the search inline.
// This is how the console and the tests drive the game.  True when the
// program ended.
bool run_at_once(Game& g, Work<> work);

}  // namespace rindou

// The coroutine library under one name.  The C++20 header is <coroutine>;
// the libc++ that the WebAssembly build compiles against still has only its
// forerunner <experimental/coroutine>, with the same types in
// std::experimental.  The game's work names them as coro::...
#pragma once

#if __has_include(<coroutine>)
#include <coroutine>
namespace rindou::coro {
using std::coroutine_handle;
using std::noop_coroutine;
using std::suspend_always;
}  // namespace rindou::coro
#else
#include <experimental/coroutine>
namespace rindou::coro {
using std::experimental::coroutine_handle;
using std::experimental::noop_coroutine;
using std::experimental::suspend_always;
}  // namespace rindou::coro
#endif

#include "app/qt/quit_signals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace rindou::qt {

namespace {

constexpr int QUIT_SIGNALS[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int SIGNAL_COUNT = sizeof QUIT_SIGNALS / sizeof QUIT_SIGNALS[0];

// What the handler may touch: plain values set before it is installed.
int pipe_fds[2] = {-1, -1};
volatile sig_atomic_t signals_seen = 0;
struct sigaction previous[SIGNAL_COUNT];

void on_quit_signal(int signal) {
    if (signals_seen != 0) {
        // The first one is being served and another came: whoever sent it
        // means it, so the program ends by it as it would by default.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    signals_seen = 1;
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe cannot happen with one byte in it; the result is of no use
    // inside a handler either way.
    [[maybe_unused]] const ssize_t written = ::write(pipe_fds[1], &number, 1);
    errno = saved;
}

}  // namespace

QuitSignals::QuitSignals(std::function<void(int)> on_signal, QObject* parent)
    : QObject(parent), on_signal_(std::move(on_signal)) {
    if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipe_fds[0] = pipe_fds[1] = -1;
        return;
    }
    signals_seen = 0;
    notifier_ = new QSocketNotifier(pipe_fds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { read_pipe(); });
    struct sigaction action {};
    action.sa_handler = on_quit_signal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls of the rest of the program go on as before.
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < SIGNAL_COUNT; ++i) sigaction(QUIT_SIGNALS[i], &action, &previous[i]);
}

QuitSignals::~QuitSignals() {
    if (!notifier_) return;
    for (int i = 0; i < SIGNAL_COUNT; ++i) sigaction(QUIT_SIGNALS[i], &previous[i], nullptr);
    notifier_->setEnabled(false);
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    pipe_fds[0] = pipe_fds[1] = -1;
}

void QuitSignals::read_pipe() {
    unsigned char number = 0;
    while (::read(pipe_fds[0], &number, 1) == 1) {
        if (received_ != 0) continue;
        received_ = number;
        if (on_signal_) on_signal_(received_);
    }
}

}  // namespace rindou::qt

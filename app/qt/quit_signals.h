// The signals that ask a program to end (SIGTERM at a shutdown, SIGHUP when
// the terminal or the session goes, SIGINT for Ctrl+C in the terminal),
// turned into a call on the window's event loop, so that the window can end
// as closing it does and keep the game.  The handler itself only writes the
// signal's number into a pipe: nothing else is safe inside it.  A second
// signal, while the first is still being served, ends the program at once
// as it would have without the handler.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace rindou::qt {

class QuitSignals : public QObject {
public:
    // `on_signal` runs on the event loop with the signal's number.  One
    // instance at a time; it restores the handlers it replaced when it goes.
    explicit QuitSignals(std::function<void(int signal)> on_signal, QObject* parent = nullptr);
    ~QuitSignals() override;

    // The first signal received, 0 before any.
    int received() const { return received_; }
    // The handlers are in place (false when the pipe could not be made).
    bool active() const { return notifier_ != nullptr; }

private:
    void read_pipe();

    std::function<void(int)> on_signal_;
    QSocketNotifier* notifier_ = nullptr;
    int received_ = 0;
};

}  // namespace rindou::qt

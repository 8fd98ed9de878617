#include <QApplication>
#include <csignal>
#include <cstring>
#include <iostream>

#include "app/qt/install_check.h"
#include "app/qt/main_window.h"

int main(int argc, char** argv) {
    // The sound library starts SDL, which would otherwise take over SIGINT
    // and SIGTERM and leave the window running when asked to end.
    qputenv("SDL_NO_SIGNAL_HANDLERS", "1");
    // Past a file-size limit (ulimit -f) a write is to fail with EFBIG, and
    // the save be refused as any failed write is, not end the program and
    // lose the game.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Rindou"));
    // The desktop matches the window to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(RINDOU_APP_ID));
    if (argc == 2 && std::strcmp(argv[1], "--check-install") == 0)
        return rindou::qt::check_installation(std::cout);
    int code = 0;
    int quit_signal = 0;
    {
        rindou::qt::MainWindow window;
        window.end_on_quit_signals();
        window.start();
        if (!window.ended()) {
            window.show();
            code = app.exec();
        }
        quit_signal = window.quit_signal();
    }
    // Ended by a signal: the game is kept, and whoever sent it sees the
    // program end by that signal, as it would have without the handler.
    if (quit_signal != 0) {
        std::signal(quit_signal, SIG_DFL);
        std::raise(quit_signal);
    }
    return code;
}

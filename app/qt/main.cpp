#include <QApplication>

#include "app/qt/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Rindou"));
    rindou::qt::MainWindow window;
    window.start();
    if (window.ended()) return 0;
    window.show();
    return app.exec();
}

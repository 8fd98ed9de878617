// GoogleTest with a QApplication around it, headless unless told otherwise.
// The tests run in a fresh temporary folder: the window reads and writes
// Rindou.ini in the current folder, and one run must not see another's; the
// games it keeps go there as well.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QTemporaryDir folder;
    if (folder.isValid()) {
        QDir::setCurrent(folder.path());
        // The games the windows keep go there too, never to the user's own
        // games folder (some tests empty it).
        qputenv("XDG_DATA_HOME", QDir(folder.path()).filePath(QStringLiteral("data")).toLocal8Bit());
    }
    return RUN_ALL_TESTS();
}

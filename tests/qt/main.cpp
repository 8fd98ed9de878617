// GoogleTest with a QApplication around it, headless unless told otherwise.
// The tests run in a fresh temporary folder, which also holds the user's
// configuration and data folders: the window reads and writes Rindou.ini
// there, and one run must not see another's (nor the real user's); the
// games the windows keep go there too (some tests empty that folder).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    // A Japanese desktop, as the window is tested in Japanese; the tests of
    // English choose it from the menu.
    qunsetenv("LC_ALL");
    qputenv("LC_MESSAGES", "ja_JP.UTF-8");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QTemporaryDir folder;
    if (folder.isValid()) {
        QDir::setCurrent(folder.path());
        qputenv("XDG_CONFIG_HOME", QDir(folder.path()).filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", QDir(folder.path()).filePath(QStringLiteral("data")).toUtf8());
    }
    return RUN_ALL_TESTS();
}

// A main window with its dialogs replaced by a recorder, shown headless.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QImage>
#include <QTest>
#include <deque>
#include <string>
#include <vector>

#include "app/qt/board_widget.h"
#include "app/qt/dialogs.h"
#include "app/qt/main_window.h"
#include "view/draw.h"

namespace rindou::qt::test {

struct Shown {
    std::string kind;  // "message", "ask" or "about"
    std::string title;
    std::string text;
};

// Notices are closed at once and questions answered Yes at once, unless
// questions are held: then the window waits until the test answers.
class RecordingDialogs : public Dialogs {
public:
    explicit RecordingDialogs(std::vector<Shown>* log) : log_(log) {}
    QWidget* message(QWidget*, const QString& title, const QString& text,
                     std::function<void()> closed) override {
        log_->push_back({"message", title.toStdString(), text.toStdString()});
        if (closed) closed();
        return nullptr;
    }
    QWidget* ask_yes_no(QWidget*, const QString& title, const QString& text,
                        std::function<void(bool)> answered) override {
        log_->push_back({"ask", title.toStdString(), text.toStdString()});
        if (hold_questions)
            held = std::move(answered);
        else if (answered)
            answered(true);
        return nullptr;
    }
    QWidget* about(QWidget*, std::function<void(bool)> closed) override {
        log_->push_back({"about", {}, {}});
        if (closed) closed(false);
        return nullptr;
    }

    bool hold_questions = false;
    std::function<void(bool)> held;

private:
    std::vector<Shown>* log_;
};

// Each window runs in a folder of its own: no settings or records left by
// another test change what it shows.
// The user's settings and data folders (kept games) are the folder's own.
struct FreshFolder {
    FreshFolder()
        : old(QDir::currentPath()),
          old_config(qgetenv("XDG_CONFIG_HOME")),
          old_data(qgetenv("XDG_DATA_HOME")) {
        QDir::setCurrent(dir.path());
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    }
    ~FreshFolder() {
        QDir::setCurrent(old);
        qputenv("XDG_CONFIG_HOME", old_config);
        qputenv("XDG_DATA_HOME", old_data);
    }
    QTemporaryDir dir;
    QString old;
    QByteArray old_config, old_data;
};

class WindowTest : public ::testing::Test {
protected:
    WindowTest()
        : dialogs(new RecordingDialogs(&shown)),
          window(std::unique_ptr<Dialogs>(dialogs)) {
        window.start();
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::processEvents();
        shown.clear();
    }

    // The logical point at the centre of the device pixels a twip position
    // is drawn on.
    QPointF logical_at(double x_twips, double y_twips) const {
        const Canvas* c = const_cast<MainWindow&>(window).canvas();
        double dpr = c->device_pixel_ratio();
        return QPointF((c->device(x_twips) + 0.5) / dpr, (c->device(y_twips) + 0.5) / dpr);
    }
    QPoint cell_centre(int col, int row) const {
        return logical_at(cell_x(col + 0.5), cell_y(row + 0.5)).toPoint();
    }
    void click_cell(int col, int row, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseClick(window.board(), b, {}, cell_centre(col, row));
    }
    // Lets the event loop run until the game no longer waits (the
    // computer's pauses are real timers).
    void settle() {
        for (int i = 0; i < 4000 && window.busy(); ++i) QTest::qWait(5);
        EXPECT_FALSE(window.busy());
    }
    QColor device_pixel(int x, int y) const {
        return const_cast<MainWindow&>(window).canvas()->image().pixelColor(x, y);
    }

    FreshFolder folder;
    std::vector<Shown> shown;
    RecordingDialogs* dialogs;  // owned by the window
    MainWindow window;
};

}  // namespace rindou::qt::test

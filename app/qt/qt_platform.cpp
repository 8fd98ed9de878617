#include "app/qt/qt_platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QTime>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <exception>
#include <thread>

#include <sys/stat.h>

#include "app/qt/dialogs.h"
#include "app/qt/help_window.h"
#include "app/qt/main_window.h"
#include "app/qt/record_panel.h"
#include "core/files.h"
#include "shell/data_files.h"

namespace rindou::qt {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
const char* const SETTINGS_FILE = "Rindou.ini";
// Four short lines; anything much larger is not a settings file of ours.
constexpr size_t SETTINGS_LIMIT = 64 * 1024;
}  // namespace

QtPlatform::QtPlatform(QWidget* window, QWidget* surface, Canvas* canvas, RecordPanel* panel,
                       Dialogs* dialogs)
    : window_(window), surface_(surface), canvas_(canvas), panel_(panel), dialogs_(dialogs) {}

QtPlatform::~QtPlatform() = default;

void QtPlatform::draw_image(int picture_code, double x, double y) {
    canvas_->draw_image(picture_code, x, y);
    surface_->update();
}

void QtPlatform::draw_outline(int colour, double x1, double y1, double x2, double y2) {
    canvas_->draw_outline(colour, x1, y1, x2, y2);
    surface_->update();
}

void QtPlatform::draw_text(double x, double y, const std::string& text, int colour, int size_pt,
                           bool bold) {
    canvas_->draw_text(x, y, text, colour, size_pt, bold);
    surface_->update();
}

void QtPlatform::present() {
    if (surface_->isVisible()) surface_->repaint();
}

void QtPlatform::message(const std::string& title, const std::string& text) {
    dialogs_->message(window_, q(title), q(text));
}

bool QtPlatform::ask_yes_no(const std::string& title, const std::string& text) {
    return dialogs_->ask_yes_no(window_, q(title), q(text));
}

float QtPlatform::now() {
    float t = static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
    // A reading just before midnight must not round up to 86400.
    return t >= 86400.0f ? 0.0f : t;
}

void QtPlatform::idle(double seconds) {
    // Repaint what is pending, serving no clicks, keys or menu commands (the
    // window drops them while idling), then sleep a short step.
    idling_ = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    idling_ = false;
    double step = std::clamp(seconds, 0.0005, 0.010);
    if (sleep_)
        sleep_(step);
    else
        QThread::usleep(static_cast<unsigned long>(step * 1e6));
}

void QtPlatform::run_work(const std::function<void()>& work, std::atomic<bool>& stop,
                          const std::function<void()>& tick) {
    // A safety net only: the work is sized to end well before it.
    constexpr qint64 HARD_CAP_MS = 15000;
    constexpr qint64 TICK_MS = 50;
    stop_requested_ = false;
    std::atomic<bool> done{false};
    // An exception must not leave the worker thread (that would end the
    // program): it is carried over and thrown again here after the join.
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    qint64 last_tick = 0;
    while (!done) {
        // Repaint and serve the window, dropping clicks, keys and menu
        // commands as during the computer's pauses.
        idling_ = true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        idling_ = false;
        if (stop_requested_ || clock.elapsed() > HARD_CAP_MS) stop = true;
        if (clock.elapsed() - last_tick >= TICK_MS) {
            last_tick = clock.elapsed();
            tick();
        }
        QThread::msleep(5);
    }
    worker.join();
    stop_requested_ = false;
    if (failure) std::rethrow_exception(failure);
}

FileRead QtPlatform::read_data_file(const std::string& name, std::vector<unsigned char>& bytes,
                                    std::error_code& error) {
    std::string path = find_data_file(name);
    if (path.empty()) return FileRead::Missing;
    // Sounds hold at most 16 MiB of samples; a larger file is none of ours.
    constexpr size_t DATA_FILE_LIMIT = 32u * 1024u * 1024u;
    std::string data;
    if (!read_whole_file(path, data, error, DATA_FILE_LIMIT)) return FileRead::Failed;
    bytes.assign(data.begin(), data.end());
    return FileRead::Ok;
}

void QtPlatform::panel_hide_lists() { panel_->hide_lists(); }
void QtPlatform::panel_hide_entry() { panel_->hide_entry(); }
void QtPlatform::panel_empty_boxes() { panel_->empty_boxes(); }
void QtPlatform::panel_show_write() { panel_->show_write(); }
void QtPlatform::panel_show_read() { panel_->show_read(); }
void QtPlatform::panel_refresh_files() { panel_->refresh_files(); }
std::string QtPlatform::panel_box(int index) { return panel_->box(index); }
std::string QtPlatform::panel_folder() { return panel_->folder(); }

std::string settings_path() {
    std::string folder = user_config_folder();
    return folder.empty() ? std::string() : folder + "/" + SETTINGS_FILE;
}

FileRead QtPlatform::read_settings(std::string& bytes) {
    std::string path = settings_path();
    // Only a name that is not there at all is a first run: a dangling link or
    // a file that cannot be read still stands for the user's settings.
    struct stat st;
    if (path.empty() || (::lstat(path.c_str(), &st) != 0 && errno == ENOENT))
        return FileRead::Missing;
    std::error_code error;
    return read_whole_file(path, bytes, error, SETTINGS_LIMIT) ? FileRead::Ok : FileRead::Failed;
}

bool QtPlatform::write_settings(const std::string& bytes) {
    std::string path = settings_path();
    std::error_code error;
    return !path.empty() && make_folders(user_config_folder(), error) &&
           write_file_atomically(path, bytes, error);
}

std::string QtPlatform::current_folder() { return QDir::currentPath().toStdString(); }

void QtPlatform::open_page(const std::string& address) {
    QUrl url = QUrl::fromUserInput(q(address), QDir::currentPath(), QUrl::AssumeLocalFile);
    if (url.isValid()) QDesktopServices::openUrl(url);
}

void QtPlatform::show_help_page(const std::string& address) {
    if (!help_) help_ = new HelpWindow(window_);
    help_->show_page(address.empty() ? QUrl() : QUrl(q(address)));
}

bool QtPlatform::about_box() { return dialogs_->about(window_); }

void QtPlatform::place_window() {
    if (auto* w = dynamic_cast<MainWindow*>(window_)) w->place();
}

}  // namespace rindou::qt

#include "app/qt/qt_platform.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QTime>
#include <QUrl>
#include <QWidget>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

#include "app/qt/help_window.h"
#include "app/qt/main_window.h"
#include "app/qt/record_panel.h"
#include "core/files.h"
#include "shell/data_files.h"
#include "shell/settings.h"

namespace rindou::qt {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
const char* const SETTINGS_FILE = "Rindou.ini";
// Four short lines; anything much larger is not a settings file of ours.
constexpr size_t SETTINGS_LIMIT = 64 * 1024;
// The window's own line in the settings file: the game reads past it.
const std::string ONLINE_SERVER_KEY = "ONLINE_SERVER=";
}  // namespace

QtPlatform::QtPlatform(QWidget* window, QWidget* surface, Canvas* canvas, RecordPanel* panel)
    : window_(window), surface_(surface), canvas_(canvas), panel_(panel) {}

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

float QtPlatform::now() {
    float t = static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
    // A reading just before midnight must not round up to 86400.
    return t >= 86400.0f ? 0.0f : t;
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
    if (!read_whole_file(path, bytes, error, SETTINGS_LIMIT)) return FileRead::Failed;
    for (size_t at = bytes.find(ONLINE_SERVER_KEY); at != std::string::npos;
         at = bytes.find(ONLINE_SERVER_KEY, at + 1)) {
        if (at != 0 && bytes[at - 1] != '\n') continue;
        const size_t start = at + ONLINE_SERVER_KEY.size();
        online_server_ = bytes.substr(start, bytes.find_first_of("\r\n", start) - start);
    }
    return FileRead::Ok;
}

bool QtPlatform::write_settings(const std::string& bytes) {
    std::string path = settings_path();
    std::error_code error;
    // An address is plain ASCII (a host and a port), which the file's code
    // page holds as it is.
    const std::string all =
        online_server_.empty() ? bytes : bytes + ONLINE_SERVER_KEY + online_server_ + "\r\n";
    return !path.empty() && make_folders(user_config_folder(), error) &&
           write_file_atomically(path, all, error);
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

Language QtPlatform::preferred_language() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        return std::strncmp(value, "ja", 2) == 0 ? Language::Japanese : Language::English;
    }
    return Language::English;
}

void QtPlatform::retranslate() {
    if (!help_) return;
    help_->retranslate();
    if (help_->isVisible()) {
        const std::string address = help_page_address();
        help_->show_page(address.empty() ? QUrl() : QUrl(q(address)));
    }
}

void QtPlatform::place_window() {
    if (auto* w = dynamic_cast<MainWindow*>(window_)) w->place();
}

}  // namespace rindou::qt

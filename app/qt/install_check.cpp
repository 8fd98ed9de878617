#include "app/qt/install_check.h"

#include <QWidget>
#include <memory>
#include <string>

#include "app/qt/dialogs.h"
#include "app/qt/main_window.h"
#include "core/file_texts.h"
#include "shell/data_files.h"
#include "shell/settings.h"

namespace rindou::qt {

namespace {

// Messages are reported instead of shown: nobody is there to answer them.
class ReportingDialogs : public Dialogs {
public:
    explicit ReportingDialogs(std::ostream& out) : out_(out) {}
    QWidget* message(QWidget*, const QString& title, const QString& text,
                     std::function<void()> closed) override {
        out_ << "message " << title.toStdString() << '|' << text.toStdString() << '\n';
        if (closed) closed();
        return nullptr;
    }
    QWidget* ask_yes_no(QWidget*, const QString& title, const QString& text,
                        std::function<void(bool)> answered) override {
        out_ << "ask " << title.toStdString() << '|' << text.toStdString() << '\n';
        if (answered) answered(false);
        return nullptr;
    }
    QWidget* about(QWidget*, std::function<void(bool)> closed) override {
        if (closed) closed(false);
        return nullptr;
    }

private:
    std::ostream& out_;
};

}  // namespace

int check_installation(std::ostream& out) {
    MainWindow window(std::make_unique<ReportingDialogs>(out));
    window.start();
    bool ok = true;
    auto report = [&](const std::string& what, const std::string& where, bool good) {
        out << what << ' ' << (where.empty() ? "-" : where) << '\n';
        ok = ok && good && !where.empty();
    };
    report("sound-library", window.sound_library_path(), true);
    const SoundHandles& h = window.game().sound;
    report("sound-context", h.context ? std::to_string(h.context) : "", true);
    const struct {
        const char* file;
        int handle;
    } sounds[] = {{SOUND_FILE_OTHER, h.other}, {SOUND_FILE_REFUSAL, h.refusal}, {SOUND_FILE_PIECE, h.piece},
                  {"BGM.wav", h.music}};
    for (const auto& s : sounds) report("sound", find_data_file(s.file), s.handle != 0);
    const PictureSet& pictures = window.pictures();
    report("pictures",
           std::to_string(pictures.loaded()) + "/" + std::to_string(pictures.wanted()) + " " +
               find_data_file("pictures/COIN.png"),
           pictures.wanted() > 0 && pictures.loaded() == pictures.wanted());
    report("help", help_page_address(), true);
    return ok ? 0 : 1;
}

}  // namespace rindou::qt

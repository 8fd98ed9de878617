// The record-file panel laid over the left of the board on demand: a drive
// list, a folder list, a file list showing "*.棋譜", four labelled text boxes
// and the save button.  Positions are twips, scaled with the board.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QWidget;

namespace rindou::qt {

// The mount points of a mount table (the text of /proc/self/mountinfo) that
// hold a disk or a removable medium under /media, /run/media or /mnt: whole
// file systems of a disk kind, each once, so no pseudo, system, bind or
// container mounts.
QStringList disk_mounts(const QByteArray& mountinfo);

class RecordPanel : public QObject {
public:
    // `host` is the board surface the controls stand on; `games` the folder
    // of the kept games, offered in the drive list (none when empty).
    explicit RecordPanel(QWidget* host, const QString& games = {});

    // Places every control for `scale` logical pixels per natural pixel.
    void place(double scale);

    // The labels in the language now chosen.
    void retranslate();

    void hide_lists();
    void hide_entry();
    void empty_boxes();
    void show_write();
    void show_read();
    void refresh_files();
    std::string box(int index) const;
    std::string folder() const;

    // Shows a folder in the folder list and its record files; false when the
    // folder cannot be read.
    bool set_folder(const QString& path);
    // Chooses an entry of the drive list as the user does.
    void choose_drive(int index);
    // The drive list: the root, the home folder, the games folder, then the
    // disks of the mount table of this process.
    static QStringList volumes(const QString& games = {});

    std::function<void()> on_save;
    std::function<void(const QString& path)> on_file;
    std::function<void(const QString& title, const QString& text)> on_message;

    QComboBox* drives;
    QListWidget* folders;
    QListWidget* files;
    QLabel* labels[4];
    QLineEdit* boxes[4];
    QPushButton* save;

private:
    void fill_folders();
    QWidget* host_;
    QString games_;
    QString folder_;
    int drive_index_ = 0;
};

}  // namespace rindou::qt

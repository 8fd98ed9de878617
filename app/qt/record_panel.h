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

class RecordPanel : public QObject {
public:
    // `host` is the board surface the controls stand on.
    explicit RecordPanel(QWidget* host);

    // Places every control for `scale` logical pixels per natural pixel.
    void place(double scale);

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
    // The volumes offered in the drive list, root and home first.
    static QStringList volumes();

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
    QString folder_;
    int drive_index_ = 0;
};

}  // namespace rindou::qt

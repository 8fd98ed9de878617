#include "app/qt/record_panel.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <cmath>

#include "app/qt/qt_texts.h"
#include "core/file_texts.h"

namespace rindou::qt {

namespace {

struct Place {
    int x, y, w, h;
};
constexpr Place DRIVE = {240, 360, 2535, 300};
constexpr Place FOLDER = {240, 600, 2535, 1710};
constexpr Place FILES = {240, 2280, 2535, 930};
constexpr int LABEL_X = 120, LABEL_W = 855, BOX_X = 960, BOX_W = 2295, ROW_H = 270;
constexpr int ROW_Y[4] = {2400, 2640, 2880, 3120};
constexpr Place BUTTON = {3360, 3000, 855, 375};
const Text LABEL_TEXT[4] = {Text::PanelGameName, Text::PanelFirst, Text::PanelSecond,
                            Text::PanelFileName};

}  // namespace

void RecordPanel::retranslate() {
    for (int i = 0; i < 4; ++i) labels[i]->setText(qtext(LABEL_TEXT[i]));
}

RecordPanel::RecordPanel(QWidget* host, const QString& games)
    : QObject(host), host_(host), games_(games) {
    drives = new QComboBox(host);
    drives->setObjectName(QStringLiteral("Drive1"));
    drives->addItems(volumes(games));
    folders = new QListWidget(host);
    folders->setObjectName(QStringLiteral("Dir1"));
    files = new QListWidget(host);
    files->setObjectName(QStringLiteral("File1"));
    for (int i = 0; i < 4; ++i) {
        labels[i] = new QLabel(qtext(LABEL_TEXT[i]), host);
        labels[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        labels[i]->setAutoFillBackground(true);
        boxes[i] = new QLineEdit(host);
        boxes[i]->setObjectName(QStringLiteral("Text%1").arg(i + 1));
    }
    save = new QPushButton(QStringLiteral("RETURN"), host);
    save->setObjectName(QStringLiteral("Command1"));

    connect(drives, &QComboBox::activated, this, [this](int index) { choose_drive(index); });
    connect(folders, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        set_folder(item->data(Qt::UserRole).toString());
    });
    connect(files, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (on_file) on_file(QDir(folder_).filePath(item->text()));
    });
    connect(save, &QPushButton::clicked, this, [this] {
        if (on_save) on_save();
    });

    set_folder(QDir::currentPath());
    // The drive list starts on the volume holding that folder.
    int best = 0;
    for (int i = 0; i < drives->count(); ++i) {
        QString root = drives->itemText(i);
        bool holds = folder_ == root || folder_.startsWith(root.endsWith(QLatin1Char('/'))
                                                              ? root
                                                              : root + QLatin1Char('/'));
        if (holds && root.size() > drives->itemText(best).size()) best = i;
    }
    drives->setCurrentIndex(best);
    drive_index_ = best;
    hide_lists();
    hide_entry();
    place(1.0);
}

namespace {

// A mount table field with its blanks, tabs, line breaks and backslashes
// written as three octal digits after a backslash.
QString unescape_mount_field(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && code > 0 && code < 256) {
                out += static_cast<char>(code);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return QString::fromUtf8(out);
}

bool under(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

}  // namespace

QStringList disk_mounts(const QByteArray& mountinfo) {
    static const QStringList DISK_TYPES = {
        QStringLiteral("ext2"),    QStringLiteral("ext3"),  QStringLiteral("ext4"),
        QStringLiteral("xfs"),     QStringLiteral("btrfs"), QStringLiteral("vfat"),
        QStringLiteral("exfat"),   QStringLiteral("ntfs"),  QStringLiteral("ntfs3"),
        QStringLiteral("iso9660"), QStringLiteral("udf"),   QStringLiteral("fuseblk")};
    QStringList mounts;
    QList<QByteArray> devices;
    for (const QByteArray& line : mountinfo.split('\n')) {
        // id parent major:minor root mount-point options [optional...] - type source ...
        const QList<QByteArray> f = line.simplified().split(' ');
        const qsizetype dash = f.indexOf("-");
        if (dash < 6 || dash + 1 >= f.size()) continue;
        const QByteArray& device = f[2];
        const QString mount = unescape_mount_field(f[4]);
        const QString type = QString::fromUtf8(f[dash + 1]);
        // A root other than "/" is a folder bound elsewhere; a device seen
        // before is the same file system bound a second time.
        if (f[3] != "/" || devices.contains(device)) continue;
        if (!DISK_TYPES.contains(type)) continue;
        if (!under(mount, QStringLiteral("/media")) && !under(mount, QStringLiteral("/run/media")) &&
            !under(mount, QStringLiteral("/mnt")))
            continue;
        devices << device;
        mounts << mount;
    }
    return mounts;
}

QStringList RecordPanel::volumes(const QString& games) {
    QStringList list = {QDir::rootPath(), QDir::homePath()};
    if (!games.isEmpty()) list << games;
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (table.open(QIODevice::ReadOnly))
        for (const QString& mount : disk_mounts(table.readAll()))
            if (!list.contains(mount)) list << mount;
    return list;
}

void RecordPanel::place(double scale) {
    auto geo = [scale](QWidget* w, int x, int y, int wd, int ht) {
        auto px = [scale](int twips) {
            return static_cast<int>(std::lround(twips / 15.0 * scale));
        };
        w->setGeometry(px(x), px(y), px(x + wd) - px(x), px(y + ht) - px(y));
    };
    QFont font = host_->font();
    font.setPixelSize(std::max(6, static_cast<int>(std::lround(12 * scale))));
    geo(drives, DRIVE.x, DRIVE.y, DRIVE.w, DRIVE.h);
    geo(folders, FOLDER.x, FOLDER.y, FOLDER.w, FOLDER.h);
    geo(files, FILES.x, FILES.y, FILES.w, FILES.h);
    for (int i = 0; i < 4; ++i) {
        geo(labels[i], LABEL_X, ROW_Y[i], LABEL_W, ROW_H);
        geo(boxes[i], BOX_X, ROW_Y[i], BOX_W, ROW_H);
    }
    geo(save, BUTTON.x, BUTTON.y, BUTTON.w, BUTTON.h);
    for (QWidget* w : std::initializer_list<QWidget*>{drives, folders, files, save}) w->setFont(font);
    for (int i = 0; i < 4; ++i) {
        labels[i]->setFont(font);
        boxes[i]->setFont(font);
    }
}

void RecordPanel::hide_lists() {
    drives->hide();
    folders->hide();
    files->hide();
}

void RecordPanel::hide_entry() {
    for (int i = 0; i < 4; ++i) {
        labels[i]->hide();
        boxes[i]->hide();
    }
    save->hide();
}

void RecordPanel::empty_boxes() {
    for (QLineEdit* b : boxes) b->clear();
}

void RecordPanel::show_write() {
    drives->show();
    folders->show();
    files->hide();
    for (int i = 0; i < 4; ++i) {
        labels[i]->show();
        boxes[i]->show();
        labels[i]->raise();
        boxes[i]->raise();
    }
    save->show();
    save->raise();
}

void RecordPanel::show_read() {
    refresh_files();
    drives->show();
    folders->show();
    files->show();
    files->raise();
    hide_entry();
}

void RecordPanel::refresh_files() {
    files->clear();
    QDir dir(folder_);
    files->addItems(dir.entryList({QString::fromUtf8("*") + QString::fromUtf8(RECORD_FILE_SUFFIX)}, QDir::Files, QDir::Name));
}

std::string RecordPanel::box(int index) const {
    if (index < 0 || index > 3) return {};
    return boxes[index]->text().toStdString();
}

std::string RecordPanel::folder() const { return folder_.toStdString(); }

bool RecordPanel::set_folder(const QString& path) {
    QFileInfo info(path);
    if (!info.isDir() || !info.isReadable() || !QDir(path).isReadable()) return false;
    folder_ = QDir(info.absoluteFilePath()).canonicalPath();
    if (folder_.isEmpty()) folder_ = info.absoluteFilePath();
    fill_folders();
    refresh_files();
    return true;
}

void RecordPanel::choose_drive(int index) {
    if (index < 0 || index >= drives->count()) return;
    // The games folder is made when the first game is kept: offered before
    // that, it is made now rather than refused.
    if (!games_.isEmpty() && drives->itemText(index) == games_) QDir().mkpath(games_);
    if (!set_folder(drives->itemText(index))) {
        QSignalBlocker block(drives);
        drives->setCurrentIndex(drive_index_);
        if (on_message)
            on_message(qtext(Text::TitleError), qtext(Text::DeviceNotReady));
        return;
    }
    drive_index_ = index;
}

// The folder list shows the path from the root down to the folder, each
// level indented one step further, and then the folder's own subfolders.
void RecordPanel::fill_folders() {
    folders->clear();
    QStringList parts = folder_.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path = QStringLiteral("/");
    auto add = [this](const QString& text, const QString& target, int depth) {
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + text, folders);
        item->setData(Qt::UserRole, target);
        return item;
    };
    QListWidgetItem* current = add(QStringLiteral("/"), path, 0);
    int depth = 0;
    for (const QString& part : parts) {
        path = QDir(path).filePath(part);
        current = add(part, path, ++depth);
    }
    folders->setCurrentItem(current);
    const QStringList subs =
        QDir(folder_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& sub : subs) add(sub, QDir(folder_).filePath(sub), depth + 1);
}

}  // namespace rindou::qt

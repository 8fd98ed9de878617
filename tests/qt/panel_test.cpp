#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/qt/qt_platform.h"
#include "app/qt/record_panel.h"
#include "record/kept_games.h"
#include "shell/games_shelf.h"
#include "tests/qt/window_fixture.h"

namespace rindou::qt::test {
namespace {

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

class PanelTest : public ::testing::Test {
protected:
    PanelTest() : panel(&host) {
        host.resize(707, 555);
        host.show();
        panel.on_message = [this](const QString& t, const QString& m) {
            messages.push_back(t.toStdString() + "|" + m.toStdString());
        };
        panel.on_file = [this](const QString& p) { loaded.push_back(p); };
    }
    QWidget host;
    RecordPanel panel;
    std::vector<std::string> messages;
    QStringList loaded;
};

TEST_F(PanelTest, ControlsStandAtTheirTwipPositionsAndScale) {
    EXPECT_EQ(panel.drives->geometry(), QRect(16, 24, 169, 20));
    EXPECT_EQ(panel.folders->geometry(), QRect(16, 40, 169, 114));
    EXPECT_EQ(panel.files->geometry(), QRect(16, 152, 169, 62));
    EXPECT_EQ(panel.labels[1]->geometry(), QRect(8, 176, 57, 18));
    EXPECT_EQ(panel.boxes[3]->geometry(), QRect(64, 208, 153, 18));
    EXPECT_EQ(panel.save->geometry(), QRect(224, 200, 57, 25));
    const char* texts[] = {"対 局 名：", "先    手 ：", "後    手 ：", "ﾌｧｲﾙ名 ："};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(panel.labels[i]->text().toStdString(), texts[i]);
    EXPECT_EQ(panel.save->text(), QStringLiteral("RETURN"));
    panel.place(2.0);
    EXPECT_EQ(panel.drives->geometry(), QRect(32, 48, 338, 40));
}

TEST_F(PanelTest, WriteAndReadShowTheirControls) {
    EXPECT_FALSE(panel.drives->isVisible());
    panel.boxes[3]->setText(QStringLiteral("対局1"));
    panel.show_write();
    EXPECT_TRUE(panel.drives->isVisible());
    EXPECT_TRUE(panel.folders->isVisible());
    EXPECT_FALSE(panel.files->isVisible());
    EXPECT_TRUE(panel.save->isVisible());
    EXPECT_EQ(panel.box(3), "対局1");  // the boxes keep what they held
    panel.show_read();
    EXPECT_TRUE(panel.files->isVisible());
    EXPECT_FALSE(panel.save->isVisible());
    EXPECT_FALSE(panel.boxes[0]->isVisible());
    panel.empty_boxes();
    EXPECT_EQ(panel.box(3), "");
    panel.hide_lists();
    EXPECT_FALSE(panel.drives->isVisible());
    EXPECT_EQ(panel.box(7), "");
}

TEST_F(PanelTest, TheFileListShowsOnlyRecordFilesAndAClickLoadsOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    touch(dir.filePath(QStringLiteral("b.棋譜")));
    touch(dir.filePath(QStringLiteral("a.棋譜")));
    touch(dir.filePath(QStringLiteral("c.txt")));
    touch(dir.filePath(QStringLiteral("棋譜")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(panel.set_folder(dir.path()));
    panel.show_read();
    ASSERT_EQ(panel.files->count(), 2);
    EXPECT_EQ(panel.files->item(0)->text(), QStringLiteral("a.棋譜"));
    EXPECT_EQ(panel.files->item(1)->text(), QStringLiteral("b.棋譜"));
    EXPECT_EQ(panel.folder(), QDir(dir.path()).canonicalPath().toStdString());

    QRect r = panel.files->visualItemRect(panel.files->item(1));
    QTest::mouseClick(panel.files->viewport(), Qt::LeftButton, {}, r.center());
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_EQ(loaded[0], QDir(panel.folder().c_str()).filePath(QStringLiteral("b.棋譜")));

    // The folder list ends with the subfolders; activating one opens it.
    QListWidgetItem* last = panel.folders->item(panel.folders->count() - 1);
    EXPECT_EQ(last->text().trimmed(), QStringLiteral("sub"));
    emit panel.folders->itemActivated(last);
    EXPECT_EQ(panel.files->count(), 0);
    EXPECT_TRUE(QString::fromStdString(panel.folder()).endsWith(QStringLiteral("/sub")));
    // A new record appears after a refresh.
    touch(QDir(QString::fromStdString(panel.folder())).filePath(QStringLiteral("n.棋譜")));
    panel.refresh_files();
    EXPECT_EQ(panel.files->count(), 1);
}

TEST_F(PanelTest, ADriveThatCannotBeReadIsRefused) {
    QStringList volumes = RecordPanel::volumes();
    ASSERT_GE(volumes.size(), 2);
    EXPECT_EQ(volumes[0], QDir::rootPath());
    EXPECT_EQ(volumes[1], QDir::homePath());
    std::string before = panel.folder();
    // It starts on the volume that holds the folder shown.
    EXPECT_EQ(before.rfind(panel.drives->currentText().toStdString(), 0), 0u);
    panel.drives->addItem(QStringLiteral("/no/such/volume"));
    int bad = panel.drives->count() - 1;
    panel.choose_drive(bad);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "ｴﾗｰ|ﾃﾞﾊﾞｲｽが準備できていません");
    EXPECT_EQ(panel.folder(), before);
    EXPECT_NE(panel.drives->currentIndex(), bad);
    panel.choose_drive(0);
    EXPECT_EQ(panel.folder(), "/");
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(WindowTest, ThePanelIsThePlatformsAndStartsInTheCurrentFolder) {
    QtPlatform* io = window.platform();
    EXPECT_EQ(io->panel_folder(), QDir::current().canonicalPath().toStdString());
    io->panel_show_write();
    window.panel()->boxes[1]->setText(QStringLiteral("先手の名"));
    EXPECT_EQ(io->panel_box(1), "先手の名");
    // The save button reaches the game (whatever the game then does).
    QTest::mouseClick(window.panel()->save, Qt::LeftButton);
    EXPECT_FALSE(window.ended());
    io->panel_empty_boxes();
    io->panel_hide_entry();
    io->panel_hide_lists();
    EXPECT_EQ(io->panel_box(1), "");
    EXPECT_FALSE(window.panel()->save->isVisible());
    // Panel controls are not the board: a click on them is no board click.
    io->panel_show_read();
    QTest::mouseClick(window.panel()->drives, Qt::LeftButton);
    EXPECT_TRUE(shown.empty() || shown.back().text != "「対局」で始めて下さい");
}

TEST(DriveList, OnlyWholeDisksUnderTheMediaFoldersAreOffered) {
    const QByteArray table =
        "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
        "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        "28 27 0:25 / /mnt/sandboxing/tools ro,nosuid - tmpfs tools ro,size=4k\n"
        "30 27 8:17 / /media/alice/USB\\040STICK rw,nosuid shared:5 - vfat /dev/sdb1 rw\n"
        "31 27 8:17 / /mnt/again rw - vfat /dev/sdb1 rw\n"
        "32 27 8:2 /home/alice /mnt/bound rw - ext4 /dev/sda2 rw\n"
        "33 27 0:40 / /mnt/container rw - overlay overlay rw,lowerdir=/a\n"
        "34 27 8:33 / /run/media/bob/CARD rw master:2 shared:3 - exfat /dev/sdc1 rw\n"
        "35 27 8:49 / /srv/data rw - xfs /dev/sdd1 rw\n"
        "36 27 8:50 / /mediaxyz rw - ext4 /dev/sdd2 rw\n"
        "37 27 8:51 / /mnt rw - btrfs /dev/sdd3 rw\n"
        "38 27 0:52 / /mnt/windows rw - fuseblk /dev/sde1 rw\n"
        "39 27 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n"
        "40 27 0:53 / /run/user/1000 rw - tmpfs tmpfs rw\n"
        "broken line\n";
    EXPECT_EQ(disk_mounts(table),
              (QStringList{QStringLiteral("/media/alice/USB STICK"),
                           QStringLiteral("/run/media/bob/CARD"), QStringLiteral("/mnt"),
                           QStringLiteral("/mnt/windows"), QStringLiteral("/media/cdrom")}));
}

TEST_F(WindowTest, TheDriveListOffersTheGamesFolder) {
    const QString games = QString::fromStdString(games_folder());
    ASSERT_FALSE(games.isEmpty());
    QComboBox* drives = window.panel()->drives;
    ASSERT_GE(drives->count(), 3);
    EXPECT_EQ(drives->itemText(0), QDir::rootPath());
    EXPECT_EQ(drives->itemText(1), QDir::homePath());
    EXPECT_EQ(drives->itemText(2), games);
    // Offered before any game was kept, it opens (made if need be).
    QDir(games).removeRecursively();
    window.command("KIFU_READ");
    window.panel()->choose_drive(2);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(QString::fromStdString(window.panel()->folder()), QDir(games).canonicalPath());
}

TEST(Settings, WrittenAndReadBackInTheUsersConfigurationFolder) {
    QTemporaryDir dir;
    QString old = QDir::currentPath();
    QByteArray old_config = qgetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    qputenv("XDG_CONFIG_HOME", QDir(dir.path()).filePath(QStringLiteral("conf")).toUtf8());
    {
        QWidget w;
        QtPlatform io(&w, &w, nullptr, nullptr);
        std::string bytes;
        EXPECT_EQ(io.read_settings(bytes), FileRead::Missing) << "no file yet";
        const std::string ini = "HAIKEI=3\r\nSIDOU=1\r\n";
        EXPECT_TRUE(io.write_settings(ini));
        EXPECT_EQ(settings_path(), dir.path().toStdString() + "/conf/rindou/Rindou.ini");
        EXPECT_TRUE(QFile::exists(QString::fromStdString(settings_path())));
        EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath(QStringLiteral("Rindou.ini"))));
        EXPECT_EQ(io.read_settings(bytes), FileRead::Ok);
        EXPECT_EQ(bytes, ini);

        // A file that is there but cannot be read is no first run: one over
        // the size limit, a name left dangling, and a FIFO, which must not
        // block the window.
        EXPECT_TRUE(io.write_settings(std::string(64 * 1024 + 1, 'x')));
        EXPECT_EQ(io.read_settings(bytes), FileRead::Failed);
        QFile::remove(QString::fromStdString(settings_path()));
        ASSERT_EQ(::symlink("nowhere", settings_path().c_str()), 0);
        EXPECT_EQ(io.read_settings(bytes), FileRead::Failed);
        QFile::remove(QString::fromStdString(settings_path()));
        ASSERT_EQ(::mkfifo(settings_path().c_str(), 0600), 0);
        EXPECT_EQ(io.read_settings(bytes), FileRead::Failed);
        std::vector<unsigned char> data;
        std::error_code error;
        EXPECT_EQ(io.read_data_file("no such sound.wav", data, error), FileRead::Missing);
        EXPECT_EQ(io.read_data_file("pictures/COIN.png", data, error), FileRead::Ok);
        EXPECT_GT(data.size(), 100u);
    }
    qputenv("XDG_CONFIG_HOME", old_config);
    QDir::setCurrent(old);
}

}  // namespace
}  // namespace rindou::qt::test

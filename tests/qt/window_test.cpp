#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <tuple>
#include <vector>

#include <sys/stat.h>

#include "app/qt/about_box.h"
#include "core/consistency.h"
#include "app/qt/help_window.h"
#include "app/qt/qt_platform.h"
#include "app/qt/record_panel.h"
#include "app/qt/study_dock.h"
#include "record/kept_games.h"
#include "record/record_file.h"
#include "shell/data_files.h"
#include "shell/games_shelf.h"
#include "shell/menu.h"
#include "tests/qt/window_fixture.h"
#include "view/move_list.h"
#include "tests/support/test_game.h"

namespace rindou::qt::test {
namespace {

// Work that fails the test if it ever runs.
Work<> must_not_run() {
    ADD_FAILURE() << "ran after the end";
    co_return;
}

bool contains(const std::vector<Shown>& log, const std::string& title, const std::string& text) {
    for (const Shown& s : log)
        if (s.title == title && s.text == text) return true;
    return false;
}

int cell_of(double twips, double origin, double size) {
    return static_cast<int>(std::floor((twips - origin) / size));
}

TEST_F(WindowTest, MenuTreeNamesCaptionsAndOrder) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Rindou"));
    // The whole tree, entry by entry: name, caption, parent, checkable.
    const std::vector<std::string> expected_tree = {
        "TAIKYOKU 対局 - 0",      "MATCH_MAN 対局(人間) TAIKYOKU 0", "START スタート MATCH_MAN 0",
        "START2 対局(COM) TAIKYOKU 0", "SENTE 先手 START2 0",        "GOTE 後手 START2 0",
        "LEVEL COM対局ﾚﾍﾞﾙ TAIKYOKU 0", "LEVEL1 LEVEL1 LEVEL 1",     "LEVEL2 LEVEL2 LEVEL 1",
        "LEVEL3 LEVEL3 LEVEL 1",  "LEVEL4 LEVEL4 LEVEL 1",          "LEVEL5 LEVEL5 LEVEL 1",
        "HINT ヒント TAIKYOKU 0", "MATTA 待った TAIKYOKU 0",         "TOURYOU 投了 TAIKYOKU 0",
        "OWARI 終わり TAIKYOKU 0",
        "STOP 局面 - 0",
        "CANCEL 最初 STOP 0",     "REVERSE 反転 STOP 0",             "REPLAY 戻 - 0",
        "AFTER 進 - 0",           "LBEL_UP △ - 0",                  "LEBEL_DOWN ▽ - 0",
        "KIFU 棋譜 - 0",          "KIFU_READ 読込 KIFU 0",           "KIFU_WRITE 書込 KIFU 0",
        "OPTION ｵﾌﾟｼｮﾝ - 0",      "HAIKEI_GA 背景画 OPTION 0",       "MIDORI 緑 HAIKEI_GA 1",
        "TATAMI 畳 HAIKEI_GA 1",  "TAKE 竹 HAIKEI_GA 1",             "UCHU 宇宙 HAIKEI_GA 1",
        "RENGA 煉瓦 HAIKEI_GA 1", "SIDOU 移動指導 OPTION 1",         "KEIKA 経過時間 OPTION 1",
        "BGM BGM OPTION 1",       "SONOTA その他 - 0",               "KAISETU 解説 SONOTA 0",
        "VER バージョン情報 SONOTA 0",
    };
    std::vector<std::string> tree;
    for (const MenuEntry& e : menu_tree())
        tree.push_back(std::string(e.name) + " " + text(e.caption) + " " +
                       (*e.parent ? e.parent : "-") + " " + (e.checkable ? "1" : "0"));
    EXPECT_EQ(tree, expected_tree);
    std::vector<std::string> bar;
    for (QAction* a : window.menuBar()->actions()) bar.push_back(a->objectName().toStdString());
    EXPECT_EQ(bar, (std::vector<std::string>{"TAIKYOKU", "STOP", "REPLAY", "AFTER", "LBEL_UP",
                                             "LEBEL_DOWN", "KIFU", "OPTION", "SONOTA"}));
    for (const MenuEntry& e : menu_tree()) {
        QAction* a = window.action(e.name);
        ASSERT_NE(a, nullptr) << e.name;
        EXPECT_EQ(a->objectName().toStdString(), e.name);
        EXPECT_EQ(a->text().toStdString(), text(e.caption)) << e.name;
        EXPECT_EQ(a->isCheckable(), e.checkable) << e.name;
        // Each entry stands in its parent's menu, in the order of the tree.
        if (std::string(e.parent).empty()) continue;
        QMenu* parent = window.action(e.parent)->menu();
        ASSERT_NE(parent, nullptr) << e.parent;
        std::vector<std::string> children, expected;
        for (QAction* c : parent->actions()) children.push_back(c->objectName().toStdString());
        for (const MenuEntry& x : menu_tree())
            if (std::string(x.parent) == e.parent) expected.push_back(x.name);
        // The window's own choice of language closes the options.
        if (std::string(e.parent) == "OPTION") expected.push_back("LANGUAGE");
        // Playing online closes the game menu.
        if (std::string(e.parent) == "TAIKYOKU") expected.push_back("ONLINE");
        if (std::string(e.parent) == "KIFU")
            expected.insert(expected.end(), {"MOVE_LIST", "ANALYSE4", "ANALYSE5"});
        EXPECT_EQ(children, expected) << e.parent;
    }
    // The four one-character entries are commands on the bar itself.
    for (const char* name : {"REPLAY", "AFTER", "LBEL_UP", "LEBEL_DOWN"})
        EXPECT_EQ(window.action(name)->menu(), nullptr) << name;
}

TEST_F(WindowTest, CheckMarksFollowTheGameAfterEveryCommand) {
    EXPECT_TRUE(window.action("LEVEL3")->isChecked());
    EXPECT_FALSE(window.action("LEVEL1")->isChecked());
    EXPECT_FALSE(window.action("LEVEL2")->isChecked());

    GameState& s = window.game().st;
    s.guidance_on = 1;
    s.level = 1;
    window.command("MATCH_MAN");  // a title without a command of its own
    EXPECT_TRUE(window.action("SIDOU")->isChecked());
    EXPECT_TRUE(window.action("LEVEL1")->isChecked());
    EXPECT_FALSE(window.action("LEVEL3")->isChecked());

    // Whatever a command does (or if its part is still missing), the marks
    // shown are the game's, not the ones Qt toggled on the click.
    for (const char* name : {"LEVEL2", "TATAMI", "SIDOU", "KEIKA", "BGM"}) {
        window.action(name)->trigger();
        for (const MenuEntry& e : menu_tree()) {
            if (!e.checkable) continue;
            EXPECT_EQ(window.action(e.name)->isChecked(), menu_checked(window.game().st, e.name))
                << e.name << " after " << name;
        }
    }
}

TEST_F(WindowTest, MenuCommandsAndOpeningTitlesReachTheGame) {
    window.action("START")->trigger();
    EXPECT_TRUE(contains(shown, " ", "先手の番です"));
    EXPECT_EQ(window.game().st.side_to_move, window.game().st.sente_turn);

    // Opening the game menu closes the record panel and empties its boxes.
    window.panel()->show_write();
    window.panel()->boxes[0]->setText(QStringLiteral("名局"));
    emit window.action("TAIKYOKU")->menu()->aboutToShow();
    EXPECT_FALSE(window.panel()->drives->isVisible());
    EXPECT_FALSE(window.panel()->save->isVisible());
    EXPECT_TRUE(window.panel()->boxes[0]->text().isEmpty());
}

TEST_F(WindowTest, AClickBeforeAnyGameIsRefusedWithoutBlocking) {
    click_cell(5, 7);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "開始");
    EXPECT_EQ(shown[0].text, "「対局」で始めて下さい");
    // Middle clicks mean nothing to the game.
    shown.clear();
    QTest::mouseClick(window.board(), Qt::MiddleButton, {}, cell_centre(5, 7));
    EXPECT_TRUE(shown.empty());
}

TEST_F(WindowTest, APickFramesItsSquareInLightRed) {
    window.command("START");
    click_cell(3, 7);
    const GameState& s = window.game().st;
    ASSERT_EQ(s.select_state, 1);
    EXPECT_EQ(s.sel_from_col, 3);
    EXPECT_EQ(s.sel_from_row, 7);

    const Canvas* c = window.canvas();
    const QColor red(255, 0, 0);
    int left = c->device(cell_x(3)), top = c->device(cell_y(7));
    int right = c->device(cell_x(4)), bottom = c->device(cell_y(8));
    int mid_x = (left + right) / 2, mid_y = (top + bottom) / 2;
    if (c->device_scale() == 1.0) {
        // At the natural size the square spans pixels 210..251 and 329..375.
        EXPECT_EQ(left, 210);
        EXPECT_EQ(top, 329);
    }
    EXPECT_EQ(device_pixel(left, mid_y), red);
    EXPECT_EQ(device_pixel(right, mid_y), red);
    EXPECT_EQ(device_pixel(mid_x, top), red);
    EXPECT_EQ(device_pixel(mid_x, bottom), red);
    EXPECT_EQ(device_pixel(right, bottom), red);
    // One natural pixel wide: just inside it the picture shows.
    int t = c->device(cell_x(3) + 15) - left;
    EXPECT_NE(device_pixel(left + t, mid_y), red);
    EXPECT_NE(device_pixel(left - 1, mid_y), red);
    // The neighbour keeps its green outline.
    EXPECT_EQ(device_pixel(c->device(cell_x(2)), mid_y), QColor(0, 128, 0));
}

TEST_F(WindowTest, ClickMappingIsExactAtEverySize) {
    window.command("START");
    const QSize sizes[] = {window.size(), QSize(1000, 800), QSize(520, 430), QSize(1200, 600),
                           QSize(731, 611)};
    int col = 1;
    for (QSize size : sizes) {
        window.resize(size);
        QApplication::processEvents();
        const Canvas* c = window.canvas();
        // The first device pixel of every column and row belongs to it, the
        // one before to its neighbour.
        for (int k = 1; k <= 10; ++k) {
            int x = c->device(cell_x(k)), y = c->device(cell_y(k));
            EXPECT_EQ(cell_of(c->twips_of_device(x), board_left, square_width), k) << size.width();
            EXPECT_EQ(cell_of(c->twips_of_device(x - 1), board_left, square_width), k - 1);
            EXPECT_EQ(cell_of(c->twips_of_device(y), board_top, square_height), k)
                << size.height();
            EXPECT_EQ(cell_of(c->twips_of_device(y - 1), board_top, square_height), k - 1);
        }
        // A real click re-picks another pawn of the side to move.
        click_cell(col, 7);
        EXPECT_EQ(window.game().st.sel_from_col, col) << size.width() << "x" << size.height();
        EXPECT_EQ(window.game().st.sel_from_row, 7);
        ++col;
    }
    // The drawing follows the size: a larger window draws larger.
    window.resize(1000, 800);
    QApplication::processEvents();
    EXPECT_GT(window.scale(), 1.2);
}

TEST_F(WindowTest, TheBoardIsReallyDrawn) {
    const Canvas* c = window.canvas();
    auto centre = [c](double col, double row) {
        return QPoint(c->device(cell_x(col + 0.5)), c->device(cell_y(row + 0.5)));
    };
    QImage square(QString::fromStdString(find_data_file("pictures/KARA_MASU.png")));
    QImage tile(QString::fromStdString(find_data_file("pictures/HAIKEI_MIDORI.png")));
    ASSERT_FALSE(square.isNull());
    ASSERT_FALSE(tile.isNull());
    QPoint p = centre(4, 4);  // an empty square
    if (c->device_scale() == 1.0) {
        EXPECT_EQ(device_pixel(p.x(), p.y()), square.pixelColor(20, 23));
        QPoint b = centre(14, 11);  // far out in the background
        EXPECT_EQ(device_pixel(b.x(), b.y()), tile.pixelColor(20, 23));
    }
    // The coin on the centre square is golden, the felt around is green.
    QColor coin = device_pixel(centre(5, 5).x() + c->device(90) - c->device(0), centre(5, 5).y());
    EXPECT_GT(coin.red(), 150);
    EXPECT_LT(coin.blue(), 120);
    QColor felt = device_pixel(centre(14, 11).x(), centre(14, 11).y());
    EXPECT_GT(felt.green(), felt.red() + 40);

    // The file label "9" above column 1: yellow text over a black shadow.
    int yellow = 0, black = 0;
    for (int y = c->device(cell_y(0.4)); y < c->device(cell_y(1)); ++y)
        for (int x = c->device(cell_x(1.1)); x < c->device(cell_x(1.8)); ++x) {
            QColor q = device_pixel(x, y);
            yellow += q == QColor(255, 255, 0);
            black += q == QColor(0, 0, 0);
        }
    EXPECT_GT(yellow, 5);
    EXPECT_GT(black, 5);

    // What the widget shows is the canvas.
    QImage grab = window.board()->grab().toImage();
    double dpr = c->device_pixel_ratio();
    EXPECT_EQ(grab.size(), window.board()->size() * dpr);
    EXPECT_EQ(grab.pixelColor(p), device_pixel(p.x(), p.y()));
}

TEST_F(WindowTest, AMoveRedrawsBothSquares) {
    window.command("START");
    click_cell(3, 7);
    click_cell(3, 6);
    const GameState& s = window.game().st;
    EXPECT_EQ(s.code_at(3, 6), -HU);
    EXPECT_EQ(s.code_at(3, 7), EMPTY);
    const Canvas* c = window.canvas();
    // The square left behind now looks like any empty square.
    QPoint from(c->device(cell_x(3.5)), c->device(cell_y(7.5)));
    QPoint empty(c->device(cell_x(4.5)), c->device(cell_y(5.5)));
    EXPECT_EQ(device_pixel(from.x(), from.y()), device_pixel(empty.x(), empty.y()));
    QPoint to(c->device(cell_x(3.5)), c->device(cell_y(6.5)));
    QPoint pawn(c->device(cell_x(4.5)), c->device(cell_y(7.5)));
    EXPECT_EQ(device_pixel(to.x(), to.y()), device_pixel(pawn.x(), pawn.y()));
}

TEST_F(WindowTest, EscEndsTheProgramAndOtherKeysDoNot) {
    QTest::keyClick(window.board(), Qt::Key_A);
    QTest::keyClick(window.board(), Qt::Key_Return);
    EXPECT_FALSE(window.ended());
    QTest::keyClick(window.board(), Qt::Key_Escape);
    EXPECT_TRUE(window.ended());
    EXPECT_TRUE(shown.empty()) << "no question is asked";
    // Nothing reaches the game any more.
    EXPECT_FALSE(window.run(must_not_run()));
}

TEST_F(WindowTest, ShortcutsAreShownAndRunWhatTheMenuRuns) {
    // Shown beside the entries inside menus; the captions stay as they are.
    const std::pair<const char*, QKeySequence> shown_keys[] = {
        {"KAISETU", QKeySequence(Qt::Key_F1)},
        {"KIFU_READ", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"KIFU_WRITE", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"CANCEL", QKeySequence(Qt::Key_Home)},
        {"OWARI", QKeySequence(Qt::CTRL | Qt::Key_Q)}};
    for (const auto& [entry, key] : shown_keys) {
        EXPECT_EQ(window.action(entry)->shortcut(), key) << entry;
        EXPECT_EQ(window.action(entry)->text().contains(QLatin1Char('\t')), false) << entry;
    }
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    RecordPanel* panel = window.panel();

    // Ctrl+S opens the write panel as 書込 does.
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(panel->save->isVisible());
    panel->boxes[0]->setText(QStringLiteral("名局"));
    // Home runs what opening 局面 runs (the panel closes and is emptied),
    // then 最初.
    QTest::keyClick(&window, Qt::Key_Home);
    EXPECT_FALSE(panel->save->isVisible());
    EXPECT_TRUE(panel->boxes[0]->text().isEmpty());
    EXPECT_TRUE(shown.empty());
    // The refusals are those of the menu.
    QTest::keyClick(&window, Qt::Key_Left);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "戻る");
    EXPECT_EQ(shown[0].text, "できません");
    QTest::keyClick(&window, Qt::Key_Right);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, "「対局」で始めて下さい");
    // Ctrl+O shows the file list.
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(panel->files->isVisible());
    // In the file list, the arrows and Home are the list's own.
    panel->files->setFocus();
    QTest::keyClick(panel->files, Qt::Key_Home);
    QTest::keyClick(panel->files, Qt::Key_Left);
    EXPECT_TRUE(panel->files->isVisible());
    EXPECT_EQ(shown.size(), 2u);

    // F1 shows the help window, also with the menu bar in keyboard focus;
    // Ctrl+Q ends the program as 終わり does.
    window.menuBar()->setFocus();
    QTest::keyClick(&window, Qt::Key_F1);
    ASSERT_NE(window.platform()->help_window(), nullptr);
    EXPECT_TRUE(window.platform()->help_window()->isVisible());
    window.platform()->help_window()->close();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(window.ended());
}

TEST_F(WindowTest, HelpShowsThePageInTheProgramsOwnWindow) {
    window.command("KAISETU");
    HelpWindow* help = window.platform()->help_window();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    QTextBrowser* page = help->browser();
    EXPECT_TRUE(page->source().toLocalFile().endsWith(QStringLiteral("/Rindou.htm")));
    EXPECT_TRUE(page->toPlainText().contains(QStringLiteral("コイン将棋")));
    // The pictures of the page load from beside it.
    QVariant picture = page->document()->resource(
        QTextDocument::ImageResource, QUrl(QStringLiteral("pictures/SITA_OU.png")));
    EXPECT_TRUE(picture.isValid() && !picture.value<QImage>().isNull());
    // A link inside the page moves to its place.
    page->resize(600, 400);
    page->setSource(QUrl(page->source().toString() + QStringLiteral("#kifu")));
    QApplication::processEvents();
    EXPECT_GT(page->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(page->source().toLocalFile().endsWith(QStringLiteral("/Rindou.htm")));

    // The button asks the desktop for its browser; when that fails the page
    // stays here and says so.
    std::vector<QUrl> asked;
    help->open_externally = [&asked](const QUrl& url) {
        asked.push_back(url);
        return false;
    };
    help->desktop_button()->click();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].toLocalFile().endsWith(QStringLiteral("/Rindou.htm")));
    EXPECT_FALSE(help->note()->text().isEmpty());
    EXPECT_TRUE(help->isVisible());

    // Without a page the window still opens and says what is missing.
    window.platform()->show_help_page({});
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(page->toPlainText().contains(QStringLiteral("Rindou.htm")));
    EXPECT_FALSE(help->desktop_button()->isEnabled());
}

// A large scale factor leaves fewer logical pixels than the window's normal
// size: it then starts as large as the available area allows, the board in
// its proportions and drawn whole.
TEST(WindowSize, TheNormalSizeOrTheLargestThatFitsInTheBoardsProportions) {
    EXPECT_EQ(MainWindow::fitted_size(QSize(1280, 1000), 24, {}), QSize(707, 580));
    EXPECT_EQ(MainWindow::fitted_size(QSize(707, 580), 24, {}), QSize(707, 580));
    const QMargins frames[] = {QMargins(), QMargins(4, 30, 4, 4)};
    for (QSize available : {QSize(640, 500), QSize(400, 300), QSize(1280, 540), QSize(600, 2000)})
        for (QMargins frame : frames) {
            const QSize s = MainWindow::fitted_size(available, 24, frame);
            EXPECT_LE(s.width() + frame.left() + frame.right(), available.width());
            EXPECT_LE(s.height() + frame.top() + frame.bottom(), available.height());
            // One side fills its room to within a pixel; the other keeps the
            // board's proportions.
            EXPECT_TRUE(s.width() + frame.left() + frame.right() >= available.width() - 1 ||
                        s.height() + frame.top() + frame.bottom() >= available.height() - 1);
            EXPECT_NEAR(static_cast<double>(s.width()) / (s.height() - 24), 707.0 / 556.0, 0.01)
                << available.width() << "x" << available.height();
        }
}

// The board keeps its proportions and takes what the area has; the list
// the rest, beside or below, never less than it can be read in.
TEST(MoveListPlace, TheBoardTakesWhatTheAreaHasAndTheListTheRest) {
    for (QSize area : {QSize(937, 556), QSize(800, 476), QSize(476, 376), QSize(420, 716),
                       QSize(2400, 500), QSize(707, 556)}) {
        const MoveListPlace at = place_move_list(area.width(), area.height());
        const QRect board(0, 0, at.board_width, at.board_height);
        const QRect list(at.list_x, at.list_y, at.list_width, at.list_height);
        EXPECT_FALSE(board.intersects(list));
        EXPECT_EQ(board.united(list), QRect(QPoint(0, 0), area)) << area.width() << "x" << area.height();
        EXPECT_GE(at.below ? at.list_height : at.list_width, at.below ? 170 : 180);
        // The board's side that binds it is filled: no room is lost to the
        // list that the board could have had.
        const double scale = std::min(at.board_width / 707.0, at.board_height / 555.0);
        const double list_less = at.below ? std::min(area.width() / 707.0, (area.height() - 170) / 555.0)
                                          : std::min((area.width() - 180) / 707.0, area.height() / 555.0);
        EXPECT_NEAR(scale, list_less, 0.01) << area.width() << "x" << area.height();
    }
    EXPECT_FALSE(place_move_list(800, 476).below);
    EXPECT_TRUE(place_move_list(420, 716).below);
}

// Shown in a window the screen leaves no room to grow (the small screen, or
// a large scale factor), the list stays on the screen and takes its room
// from the board, which keeps at least half its size.
TEST_F(WindowTest, TheMoveListKeepsTheWindowWithinTheScreen) {
    const QRect area = window.screen()->availableGeometry();
    const double before = window.scale();
    window.action("MOVE_LIST")->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(area.contains(window.frameGeometry()))
        << window.frameGeometry().width() << "x" << window.frameGeometry().height() << " on "
        << area.width() << "x" << area.height();
    const QRect board = window.board()->geometry(), list = window.study()->geometry();
    EXPECT_FALSE(board.intersects(list));
    EXPECT_EQ(board.united(list).size(), window.centralWidget()->size());
    EXPECT_GE(window.scale(), 0.5 * before) << "no stamp of a board";
}

TEST_F(WindowTest, StartsWithinTheScreensAvailableArea) {
    const QRect area = window.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(window.frameGeometry()))
        << window.frameGeometry().width() << "x" << window.frameGeometry().height() << " on "
        << area.width() << "x" << area.height();
    QApplication::processEvents();
    // The whole board shows: the canvas is the surface's size, and its lowest
    // rank and the clocks below it are inside.
    const Canvas* c = window.canvas();
    const double dpr = c->device_pixel_ratio();
    EXPECT_LE(c->device(cell_y(10)), static_cast<int>(window.board()->height() * dpr));
    EXPECT_LE(c->device(10600), static_cast<int>(window.board()->width() * dpr) + 1);
    if (window.size() != QSize(707, 580)) {
        EXPECT_LT(window.scale(), 1.0);
    }
}

// A page anyone may have written (one in the user's data folder) names
// what files it likes: only regular files of its own folder are read, each
// of a bounded size, and only web links leave the window.
TEST(Help, APageReadsOnlyBoundedFilesOfItsOwnFolder) {
    QTemporaryDir dir;
    QDir root(dir.path());
    ASSERT_TRUE(root.mkpath(QStringLiteral("help")));
    QImage dot(4, 4, QImage::Format_RGB32);
    dot.fill(Qt::red);
    ASSERT_TRUE(dot.save(root.filePath(QStringLiteral("help/inside.png"))));
    ASSERT_TRUE(dot.save(root.filePath(QStringLiteral("outside.png"))));
    ASSERT_TRUE(QFile::link(root.filePath(QStringLiteral("outside.png")),
                            root.filePath(QStringLiteral("help/link.png"))));
    const QByteArray fifo = root.filePath(QStringLiteral("help/fifo.png")).toLocal8Bit();
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    {
        QFile big(root.filePath(QStringLiteral("help/big.png")));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(64 * 1024 * 1024));  // sparse: no disk used
    }
    auto write = [&root](const QString& name, const QByteArray& html) {
        QFile f(root.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(html);
    };
    write(QStringLiteral("help/page.htm"),
          "<html><body><p>page</p><img src=\"inside.png\"><img src=\"/dev/zero\">"
          "<img src=\"fifo.png\"><img src=\"../outside.png\"><img src=\"link.png\">"
          "<img src=\"big.png\"></body></html>");
    write(QStringLiteral("help/other.htm"), "<html><body><p>other</p></body></html>");
    write(QStringLiteral("elsewhere.htm"), "<html><body><p>elsewhere</p></body></html>");

    HelpWindow help;
    std::vector<QUrl> asked;
    help.open_externally = [&asked](const QUrl& url) {
        asked.push_back(url);
        return true;
    };
    const QUrl page = QUrl::fromLocalFile(root.filePath(QStringLiteral("help/page.htm")));
    help.show_page(page);
    QApplication::processEvents();
    HelpBrowser* browser = help.browser();
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("page")));
    auto picture = [browser](const char* src) {
        return browser->document()
            ->resource(QTextDocument::ImageResource, QUrl(QString::fromUtf8(src)))
            .value<QImage>();
    };
    EXPECT_FALSE(picture("inside.png").isNull());
    for (const char* src : {"/dev/zero", "fifo.png", "../outside.png", "link.png", "big.png"}) {
        EXPECT_TRUE(picture(src).isNull()) << src;
        const QUrl url(QString::fromUtf8(src));
        EXPECT_TRUE(browser->loadResource(QTextDocument::ImageResource, url).toByteArray().isEmpty())
            << src;
    }

    // Links: web addresses go to the desktop, pages of the folder show here,
    // anything else does nothing.
    for (const char* link : {"mailto:someone@example.com", "smb://host/share", "javascript:x()",
                             "../elsewhere.htm", "file:///etc/passwd", "fifo.png"}) {
        emit browser->anchorClicked(QUrl(QString::fromUtf8(link)));
        EXPECT_EQ(browser->source(), page) << link;
    }
    EXPECT_TRUE(asked.empty());
    emit browser->anchorClicked(QUrl(QStringLiteral("https://example.com/rindou")));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], QUrl(QStringLiteral("https://example.com/rindou")));
    emit browser->anchorClicked(QUrl(QStringLiteral("other.htm")));
    EXPECT_TRUE(browser->source().toLocalFile().endsWith(QStringLiteral("/help/other.htm")));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("other")));
}

TEST_F(WindowTest, ClosingTheWindowEndsTheProgramAndKeepsTheGame) {
    const QDir games(QString::fromStdString(games_folder()));
    auto count = [&games] {
        return games.entryList({QStringLiteral("*.棋譜")}, QDir::Files).size();
    };
    const qsizetype before = count();
    window.command("START");
    click_cell(7, 7);
    click_cell(7, 6);
    ASSERT_EQ(window.game().st.record_end, 1);
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(window.ended());
    EXPECT_EQ(count(), before + 1);
}

// The kept games of the window's data folder, each as the record it loads.
std::vector<RecordFile> kept_records(const GameState& any) {
    const QDir games(QString::fromStdString(games_folder()));
    std::vector<RecordFile> records;
    for (const QString& name : games.entryList({QStringLiteral("*.棋譜")}, QDir::Files)) {
        QFile f(games.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QByteArray bytes = f.readAll();
        records.push_back(read_record_file(bytes.toStdString(), record_start_position(any)));
    }
    return records;
}

// 投了 in the game menu: refused without a game; between two people the
// side to move loses, and the game is kept once.
TEST_F(WindowTest, ResignEndsTheGameAsAWinOfTheOtherSideAndKeepsItOnce) {
    QAction* resign = window.action("TOURYOU");
    ASSERT_NE(resign, nullptr);
    resign->trigger();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(window.game().st.side_to_move, NO_SIDE);

    window.command("START");
    click_cell(7, 7);
    click_cell(7, 6);
    ASSERT_EQ(window.game().st.record_end, 1);
    shown.clear();
    resign->trigger();  // the second player gives up
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].title, "終了");
    EXPECT_EQ(shown[0].text, "先手の勝ちです");
    EXPECT_EQ(shown[1].kind, "ask");
    EXPECT_EQ(shown[1].text, "続けますか？");
    EXPECT_EQ(window.game().st.side_to_move, NO_SIDE);
    EXPECT_TRUE(window.close());
    const std::vector<RecordFile> kept = kept_records(window.game().st);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].moves.size(), 1u);
}

// The desktop's request to close a window (its title bar's button) arrives
// through Qt's window-system interface, which refuses it while a modal box
// blocks the window.  Its header is not installed; this is the one entry of
// it the test needs, exported by Qt's library.
}  // namespace
}  // namespace rindou::qt::test
class QWindowSystemInterface {
public:
    struct SynchronousDelivery;
    template <typename Delivery>
    static bool handleCloseEvent(QWindow* window);
};
namespace rindou::qt::test {
namespace {

// A box open over the window (the about box here, a real one) takes the
// window's input, yet the title bar still closes the window, and the game
// is kept as any closing keeps it.
TEST_F(WindowTest, TheTitleBarClosesTheWindowWhileABoxIsOpenAndKeepsTheGame) {
    window.command("START");
    click_cell(7, 7);
    click_cell(7, 6);
    ASSERT_EQ(window.game().st.record_end, 1);
    window.set_dialogs(std::make_unique<Dialogs>());
    window.command("VER");
    ASSERT_TRUE(window.busy());
    ASSERT_TRUE(window.box_open());
    auto* box = window.findChild<AboutBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    // The window behind takes no click meanwhile: its menus stay shut.
    QMenuBar* bar = window.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(window.action("KIFU")).center());
    QApplication::processEvents();
    EXPECT_FALSE(window.findChild<QMenu*>(QStringLiteral("KIFU"))->isVisible());
    EXPECT_FALSE(window.ended());

    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
        window.windowHandle());
    EXPECT_TRUE(window.ended());
    EXPECT_FALSE(window.busy());
    QApplication::processEvents();
    EXPECT_FALSE(window.findChild<AboutBox*>() && window.findChild<AboutBox*>()->isVisible());
    const std::vector<RecordFile> kept = kept_records(window.game().st);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].moves.size(), 1u);
    EXPECT_EQ(kept[0].stop_line, 0);
}

// SIGTERM (a shutdown), SIGHUP (a closed terminal or session) and SIGINT
// (Ctrl+C) end the window as closing it does: the game in progress is
// kept, and loads to its last move.
TEST(QuitSignals, EachEndsTheWindowAsClosingItDoesAndKeepsTheGame) {
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        FreshFolder folder;
        std::vector<Shown> log;
        MainWindow w(std::make_unique<RecordingDialogs>(&log));
        w.end_on_quit_signals();
        w.start();
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        w.command("START");
        const Canvas* c = w.canvas();
        auto at = [c](int col, int row) {
            const double dpr = c->device_pixel_ratio();
            return QPointF((c->device(cell_x(col + 0.5)) + 0.5) / dpr,
                           (c->device(cell_y(row + 0.5)) + 0.5) / dpr);
        };
        for (auto [col, from, to] : {std::tuple{7, 7, 6}, {3, 3, 4}}) {
            w.press(1, at(col, from));
            w.press(1, at(col, to));
        }
        ASSERT_EQ(w.game().st.record_end, 2) << signal;
        ASSERT_EQ(std::raise(signal), 0);
        for (int i = 0; i < 400 && !w.ended(); ++i) QTest::qWait(5);
        EXPECT_TRUE(w.ended()) << signal;
        EXPECT_EQ(w.quit_signal(), signal);
        const std::vector<RecordFile> kept = kept_records(w.game().st);
        ASSERT_EQ(kept.size(), 1u) << signal;
        EXPECT_EQ(kept[0].moves.size(), 2u);
        EXPECT_EQ(kept[0].stop_line, 0);
    }
}

TEST_F(WindowTest, EnglishIsChosenAtOnceAndChangesNothingOfTheGame) {
    window.command("START");
    click_cell(7, 7);
    click_cell(7, 6);
    const GameState before = window.game().st;
    const QString settings = QString::fromStdString(settings_path());
    auto file = [&settings] {
        QFile f(settings);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    EXPECT_FALSE(file().contains("English")) << "no choice made, none kept";

    window.action("ENGLISH")->trigger();
    EXPECT_TRUE(window.action("ENGLISH")->isChecked());
    EXPECT_FALSE(window.action("JAPANESE")->isChecked());
    EXPECT_EQ(window.action("TAIKYOKU")->text(), QStringLiteral("Game"));
    EXPECT_EQ(window.panel()->labels[0]->text().toStdString(), text(Text::PanelGameName));
    EXPECT_EQ(rindou::test::japanese_in(window.panel()->labels[0]->text().toStdString()), "");
    EXPECT_TRUE(file().endsWith("\r\n") && file().contains("English"));
    // The game is as it was: the board, the record, whose turn.
    const GameState& after = window.game().st;
    EXPECT_EQ(after.codes(), before.codes());
    EXPECT_EQ(after.record_count, before.record_count);
    EXPECT_EQ(after.side_to_move, before.side_to_move);
    EXPECT_EQ(state_problem(after), "");
    // A refusal now speaks English.
    shown.clear();
    window.command("REVERSE");
    window.command("KIFU_WRITE");
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(rindou::test::japanese_in(shown.back().text), "") << shown.back().text;

    window.action("JAPANESE")->trigger();
    EXPECT_EQ(window.action("TAIKYOKU")->text(), QStringLiteral("対局"));
    EXPECT_FALSE(file().contains("English"));
    set_language(Language::Japanese);
}

TEST_F(WindowTest, TheMoveListFollowsTheGameJumpsAndIsAnalysedBesideIt) {
    const int width = window.width();
    window.action("MOVE_LIST")->trigger();
    ASSERT_TRUE(window.study()->isVisible());
    EXPECT_GT(window.width(), width) << "the window grows by the list, as the screen has room";
    QListWidget* list = window.study()->moves;
    window.command("START");
    click_cell(7, 7), click_cell(7, 6);
    click_cell(3, 3), click_cell(3, 4);
    click_cell(2, 7), click_cell(2, 6);
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->currentRow(), 3);
    EXPECT_EQ(list->item(1)->text().toStdString(), "1 ▲３六歩");
    window.command("REPLAY");
    EXPECT_EQ(list->currentRow(), 2);
    // A click on the start shows it, as stepping back there would.
    list->setCurrentRow(0);
    EXPECT_EQ(window.game().st.record_count, 0);
    EXPECT_EQ(window.game().st.record_end, 3);
    EXPECT_EQ(window.game().st.code_at(7, 7), -HU);

    // The analysis runs beside the game and can be cancelled.
    ::setenv("RINDOU_SEARCH_NODES", "300", 1);
    window.start_analysis(4);
    EXPECT_TRUE(window.analysing());
    window.study()->cancel->click();
    for (int i = 0; i < 4000 && window.analysing(); ++i) QTest::qWait(5);
    EXPECT_FALSE(window.analysing());
    EXPECT_EQ(window.analysis(), nullptr);
    window.start_analysis(4);
    list->setCurrentRow(2);  // the game answers meanwhile
    EXPECT_EQ(window.game().st.record_count, 2);
    for (int i = 0; i < 4000 && window.analysing(); ++i) QTest::qWait(5);
    ::unsetenv("RINDOU_SEARCH_NODES");
    ASSERT_NE(window.analysis(), nullptr);
    EXPECT_EQ(window.analysis()->moves.size(), 3u);
    EXPECT_EQ(window.study()->graph->points().size(), 4u);
    window.action("MOVE_LIST")->trigger();
    EXPECT_FALSE(window.study()->isVisible());
    EXPECT_EQ(window.width(), width);
}

TEST_F(WindowTest, PausesRepaintButTakeNoInput) {
    // The computer moves first: it blinks the piece it moves, pausing
    // between the pictures on a timer of the window's own event loop.
    window.command("GOTE");
    ASSERT_TRUE(window.busy());
    ASSERT_EQ(window.waiting().kind, Wait::Kind::Pause);
    EXPECT_TRUE(window.pause_timer()->isActive());
    const GameState before = window.game().st;
    // A click, a key and a menu command meanwhile are dropped.
    QTest::mouseClick(window.board(), Qt::LeftButton, {}, cell_centre(5, 7));
    QTest::keyClick(&window, Qt::Key_Left);
    window.command("REPLAY");
    EXPECT_EQ(window.game().st.select_state, before.select_state);
    EXPECT_EQ(window.game().st.record_count, before.record_count);
    // The window repaints and follows a resize while it waits.
    const QSize device = window.canvas()->image().size();
    window.resize(window.width() + 80, window.height() + 60);
    QApplication::processEvents();
    window.board()->repaint();
    EXPECT_NE(window.canvas()->image().size(), device);
    settle();
    EXPECT_TRUE(shown.empty()) << "nothing of the dropped input ran";
    EXPECT_EQ(window.game().st.record_count, 1);
    // Afterwards clicks are served again.
    click_cell(2, 7);
    EXPECT_EQ(window.game().st.select_state, 1);
}

TEST_F(WindowTest, ClosingWhileTheGameWaitsEndsCleanly) {
    // During the computer's pause: the rest of its turn is dropped.
    window.command("GOTE");
    ASSERT_EQ(window.waiting().kind, Wait::Kind::Pause);
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(window.ended());
    EXPECT_FALSE(window.busy());
    EXPECT_FALSE(window.pause_timer()->isActive());
}

TEST_F(WindowTest, AQuestionWaitsForItsAnswerAndTheWindowClosesMeanwhile) {
    window.command("START");
    window.game().st.record_mode = 1;  // a loaded record is stepped, not played
    dialogs->hold_questions = true;
    shown.clear();
    click_cell(7, 7);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, "ask");
    ASSERT_TRUE(window.busy());
    EXPECT_EQ(window.waiting().kind, Wait::Kind::Question);
    // Resizing and repainting go on; the question still waits.
    window.resize(window.width() - 40, window.height() - 30);
    QApplication::processEvents();
    window.board()->repaint();
    EXPECT_TRUE(window.busy());
    // Answered No: the record is given up, as the box would.
    dialogs->held(false);
    EXPECT_FALSE(window.busy());
    EXPECT_EQ(window.game().st.record_mode, 0);
    // Asked again, and the window closed before an answer: the answer that
    // comes after is no answer.
    window.game().st.side_to_move = window.game().st.sente_turn;
    window.game().st.record_mode = 1;
    click_cell(7, 7);
    ASSERT_TRUE(window.busy());
    auto late = dialogs->held;
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(window.ended());
    late(false);
    EXPECT_TRUE(window.ended());
}

// Local time of day in seconds, read through the C library rather than Qt.
double local_seconds_since_midnight() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + ts.tv_nsec / 1e9;
}

TEST_F(WindowTest, ClockReadsSecondsSinceMidnight) {
    // The reading lies between two readings of the local time of day taken
    // around it (to the precision of a float near midnight), unless midnight
    // fell in between.
    for (int i = 0; i < 3; ++i) {
        double before = local_seconds_since_midnight();
        float t = window.platform()->now();
        double after = local_seconds_since_midnight();
        EXPECT_GE(t, 0.0f);
        EXPECT_LT(t, 86400.0f);
        if (after < before) continue;
        EXPECT_GE(t, before - 0.01) << "before " << before << ", after " << after;
        EXPECT_LE(t, after + 0.01) << "before " << before << ", after " << after;
    }
}

TEST(Dialogs, MessageBoxesShowExactTextsAndJapaneseButtons) {
    GameMessageBox ok(nullptr, QStringLiteral("  "), QStringLiteral("棋譜を書き込みました"), false);
    ok.show();
    EXPECT_EQ(ok.windowTitle(), QStringLiteral("  "));
    EXPECT_EQ(ok.text(), QStringLiteral("棋譜を書き込みました"));
    ASSERT_EQ(ok.buttons().size(), 1);
    EXPECT_EQ(ok.buttons()[0]->text(), QStringLiteral("OK"));
    ok.ok_button()->click();
    EXPECT_FALSE(ok.isVisible());

    GameMessageBox ask(nullptr, QStringLiteral("再ゲーム"), QStringLiteral("続けますか？"), true);
    ask.show();
    ASSERT_EQ(ask.buttons().size(), 2);
    EXPECT_EQ(ask.yes_button()->text(), QStringLiteral("はい"));
    EXPECT_EQ(ask.no_button()->text(), QStringLiteral("いいえ"));
    // A question cannot be escaped or closed without an answer.
    QTest::keyClick(&ask, Qt::Key_Escape);
    EXPECT_TRUE(ask.isVisible());
    ask.close();
    EXPECT_TRUE(ask.isVisible());
    ask.no_button()->click();
    EXPECT_FALSE(ask.isVisible());
    EXPECT_FALSE(ask.answered_yes());

    // Text that looks like markup is shown as it is.
    GameMessageBox plain(nullptr, QStringLiteral("a"), QStringLiteral("<b>x</b>"), false);
    EXPECT_EQ(plain.textFormat(), Qt::PlainText);
}

TEST(Dialogs, TheRealSeamOpensABoxAndReturnsAtOnce) {
    Dialogs real;
    QWidget parent;
    parent.show();
    int answers = 0;
    bool yes = false;
    auto* box = qobject_cast<QMessageBox*>(real.ask_yes_no(
        &parent, QStringLiteral("棋譜"), QStringLiteral("棋譜を '進 'で進めて下さい"),
        [&](bool y) { ++answers, yes = y; }));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    // Not modal: the window behind refuses input by itself, and can still be
    // closed by the desktop while the box is open.
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("棋譜"));
    EXPECT_EQ(box->text(), QStringLiteral("棋譜を '進 'で進めて下さい"));
    EXPECT_EQ(answers, 0) << "nothing is answered before the person does";
    for (QAbstractButton* b : box->buttons())
        if (b->text() == QStringLiteral("はい")) b->click();
    EXPECT_EQ(answers, 1);
    EXPECT_TRUE(yes);

    // The about box says which button closed it.
    bool home = false;
    QWidget* about = real.about(&parent, [&](bool h) { ++answers, home = h; });
    ASSERT_NE(about, nullptr);
    about->findChild<QAbstractButton*>(QStringLiteral("HomePage"))->click();
    EXPECT_EQ(answers, 2);
    EXPECT_TRUE(home);
}

TEST(Dialogs, AboutBoxHasItsCaptionPictureAndButtons) {
    AboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("バージョン情報"));
    auto* home = box.findChild<QAbstractButton*>(QStringLiteral("HomePage"));
    auto* ok = box.findChild<QAbstractButton*>(QStringLiteral("OK"));
    ASSERT_NE(home, nullptr);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(home->text(), QStringLiteral("ホームページ"));
    EXPECT_EQ(ok->text(), QStringLiteral("O K"));
    auto* picture = box.findChild<QLabel*>(QStringLiteral("Picture1"));
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->pixmap().isNull());

    QTimer::singleShot(0, home, [home] { home->click(); });
    EXPECT_EQ(box.exec(), AboutBox::HomePage);
    QTimer::singleShot(0, ok, [ok] { ok->click(); });
    EXPECT_EQ(box.exec(), AboutBox::Closed);
}

}  // namespace
}  // namespace rindou::qt::test

namespace rindou::qt::test {
namespace {

TEST(StartUp, FirstFrameIsDrawnPromptly) {
    FreshFolder folder;
    std::vector<Shown> log;
    MainWindow w(std::make_unique<RecordingDialogs>(&log));
    w.start();
    w.show();
    // The first frame is painted in the first rounds of the event loop after
    // the window shows: start-up leaves nothing (no timer, no queued work)
    // between showing the window and painting it.  Counted in rounds, not
    // milliseconds, so that a busy machine cannot fail it.
    int rounds = 0;
    while (w.first_frame_ms < 0 && rounds < 50) {
        QApplication::processEvents();
        ++rounds;
    }
    ASSERT_GE(w.first_frame_ms, 0);
    std::printf("first frame after %d rounds, %lld ms\n", rounds,
                static_cast<long long>(w.first_frame_ms));
    EXPECT_LE(rounds, 2);
}

}  // namespace
}  // namespace rindou::qt::test

namespace rindou::qt::test {
namespace {

TEST_F(WindowTest, LevelFiveThinksOffTheEventLoopAndTheWindowClosesMeanwhile) {
    window.action("LEVEL5")->trigger();
    window.action("SENTE")->trigger();
    click_cell(7, 7);
    click_cell(7, 6);
    // The person's move is played; the computer's search runs on its own
    // thread, and its result comes back through the event loop.
    ASSERT_TRUE(window.busy());
    ASSERT_EQ(window.waiting().kind, Wait::Kind::Search);
    EXPECT_TRUE(window.searching());
    EXPECT_EQ(window.game().st.move_number, 1);
    // Meanwhile clicks are dropped, and the window resizes and repaints.
    click_cell(2, 7);
    EXPECT_EQ(window.game().st.select_state, 0);
    window.resize(window.width() + 50, window.height() + 40);
    QApplication::processEvents();
    window.board()->repaint();
    // Closed before the result came: the search stops and its thread ends.
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(window.ended());
    EXPECT_FALSE(window.searching());
    EXPECT_FALSE(window.busy());
}

TEST_F(WindowTest, TheComputersSearchResultPlaysItsMove) {
    window.action("LEVEL4")->trigger();
    window.action("SENTE")->trigger();
    click_cell(7, 7);
    click_cell(7, 6);
    ASSERT_EQ(window.waiting().kind, Wait::Kind::Search);
    settle();
    EXPECT_EQ(window.game().st.move_number, 2);
    EXPECT_FALSE(window.searching());
    EXPECT_EQ(window.game().st.side_to_move, window.game().st.lower_turn);
}

}  // namespace
}  // namespace rindou::qt::test

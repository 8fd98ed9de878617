#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <random>

#include "app/qt/canvas.h"
#include "app/qt/main_window.h"
#include "core/null_platform.h"
#include "shell/data_files.h"
#include "tests/qt/window_fixture.h"
#include "view/draw.h"

namespace rindou::qt::test {
namespace {

// A platform that draws on a bare canvas, to run the game's drawing
// routines without a window.
class CanvasPlatform : public NullPlatform {
public:
    explicit CanvasPlatform(Canvas* c) : canvas(c) {}
    void draw_image(int code, double x, double y) override { canvas->draw_image(code, x, y); }
    void draw_outline(int colour, double x1, double y1, double x2, double y2) override {
        canvas->draw_outline(colour, x1, y1, x2, y2);
    }
    void draw_text(double x, double y, const std::string& t, int colour, int size,
                   bool bold) override {
        canvas->draw_text(x, y, t, colour, size, bold);
    }
    Canvas* canvas;
};

const PictureSet& pictures() {
    static PictureSet set;
    return set;
}

TEST(Canvas, AllThirtySixPicturesAreThereAtTheirSizes) {
    const PictureSet& p = pictures();
    EXPECT_EQ(p.loaded(), 36);
    EXPECT_EQ(p.natural_size(0), QSize(42, 47));
    EXPECT_EQ(p.natural_size(7), QSize(42, 47));
    EXPECT_EQ(p.natural_size(1), QSize(137, 43));
    for (int code : {2, 3, 4, 5, 6}) EXPECT_EQ(p.natural_size(code), QSize(41, 46)) << code;
    for (int code : {-10, -11, -110, -950, 10, 11, 110, 801, 901, 950})
        EXPECT_EQ(p.natural_size(code), QSize(42, 47)) << code;
    // Codes without a picture, among them the promoted gold.
    for (int code : {-111, 111, 951, 8, 12}) EXPECT_TRUE(p.natural_size(code).isEmpty()) << code;
    EXPECT_EQ(PictureSet::file_stem(-801), "SITA_KAKU_1");
    EXPECT_EQ(PictureSet::file_stem(20), "UE_KYOU_0");
    EXPECT_EQ(PictureSet::file_stem(110), "UE_KIN");
}

TEST(Canvas, CodesWithoutAPictureDrawNothing) {
    Canvas c(&pictures());
    QImage before = c.image();
    c.draw_image(-111, cell_x(1), cell_y(1));
    c.draw_image(111, cell_x(2), cell_y(1));
    EXPECT_EQ(c.list_size(), 0u);
    EXPECT_EQ(c.image(), before);
}

TEST(Canvas, TheOutlineCoversThePictureOverlapAtEveryScale) {
    for (double k : {1.0, 1.37, 1.5, 2.0, 2.6}) {
        Canvas c(&pictures());
        c.set_geometry(QSize(static_cast<int>(707 * k), static_cast<int>(555 * k)), k, 1.0);
        // Two squares side by side, the left one drawn last so that it
        // overlaps its neighbour by one natural pixel, then its outline.
        c.draw_image(0, cell_x(2), cell_y(1));
        c.draw_image(-10, cell_x(1), cell_y(1));
        c.draw_outline(12, cell_x(1), cell_y(1), cell_x(2), cell_y(2));
        int picture_end = c.device(cell_x(1) + 42 * 15);  // first pixel after the picture
        int y = c.device(cell_y(1.5));
        for (int x = c.device(cell_x(2)); x < picture_end; ++x)
            EXPECT_EQ(c.image().pixelColor(x, y), QColor(255, 0, 0)) << "scale " << k << " x " << x;
        EXPECT_NE(c.image().pixelColor(picture_end, y), QColor(255, 0, 0)) << k;
    }
}

// A surface taller than the window's proportions (a narrow board beside
// the move list): the background goes on to its far edges instead of
// leaving a strip of bare colour under it.
TEST(Canvas, TheUnderlayCarriesTheBackgroundToEveryEdge) {
    Canvas c(&pictures());
    CanvasPlatform io(&c);
    Game g;
    g.io = &io;
    const double scale = 300.0 / 707;
    c.set_geometry(QSize(300, 900), scale, 1.0);
    paint_background(g, BG_TAKE);
    auto bare_in_last_row = [&c] {
        int bare = 0;
        for (int x = 0; x < c.image().width(); ++x)
            bare += c.image().pixelColor(x, c.image().height() - 1) == palette_colour(2);
        return bare;
    };
    ASSERT_EQ(bare_in_last_row(), 300) << "the game's background stops short of this surface's edge";
    const QColor drawn = c.image().pixelColor(20, c.device(cell_y(5)));
    c.set_underlay(BG_TAKE);
    EXPECT_EQ(bare_in_last_row(), 0);
    // What the game drew stays as it was.
    EXPECT_EQ(c.image().pixelColor(20, c.device(cell_y(5))), drawn);
}

TEST(Canvas, TheDisplayListStaysSmallAndRebuildsTheSameImage) {
    Canvas c(&pictures());
    CanvasPlatform io(&c);
    Game g;
    g.io = &io;
    g.st.elapsed_shown = true;
    std::mt19937 rng(7);
    // A long session: full redraws, frames, clocks, hand counts and moves.
    for (int round = 0; round < 40; ++round) {
        g.st.background_code = 2 + static_cast<int>(rng() % 5);
        redraw_all(g);
        for (int i = 0; i < 60; ++i) {
            int col = 1 + static_cast<int>(rng() % 9), row = 1 + static_cast<int>(rng() % 9);
            frame_square(g, static_cast<int>(rng() % 2) ? 12 : 15, col, row);
            draw_clock(g, g.st.lower_turn, static_cast<float>(rng() % 4000));
            draw_move_number(g, static_cast<int>(rng() % 150));
            g.st.hand[LOWER][1 + rng() % 7] = static_cast<int>(rng() % 12);
            draw_lower_hand(g);
            draw_picture(g, -10, col, row);
            frame_square(g, 2, col, row);
        }
    }
    EXPECT_LT(c.list_size(), 6000u) << "covered calls are dropped as the list grows";
    QImage drawn = c.image().copy();
    c.compact();
    size_t compacted = c.list_size();
    EXPECT_LT(compacted, 2500u);
    c.set_geometry(c.image().size(), 1.0, 1.0);  // replay the list
    EXPECT_EQ(c.image(), drawn) << "dropping covered calls changed the picture";
    // Replayed at twice the size, a square's outline is two pixels wide.
    c.set_geometry(c.image().size() * 2, 2.0, 2.0);
    int x = c.device(cell_x(4)), y = c.device(cell_y(4.5));
    QColor outline = c.image().pixelColor(x, y);
    EXPECT_EQ(c.image().pixelColor(x + 1, y), outline);
    EXPECT_NE(c.image().pixelColor(x + 2, y), outline);
}

// Run with QT_SCALE_FACTOR=2 (its own ctest entry): the surface is drawn at
// device resolution from the large pictures, pixel for pixel.
TEST_F(WindowTest, HighDensitySurfaceIsDrawnAtDeviceResolution) {
    double dpr = window.board()->devicePixelRatioF();
    if (dpr < 1.5) GTEST_SKIP() << "needs QT_SCALE_FACTOR=2";
    const Canvas* c = window.canvas();
    EXPECT_EQ(c->image().size(), window.board()->size() * dpr);
    QImage large(QString::fromStdString(find_data_file("pictures/KARA_MASU@2x.png")));
    ASSERT_EQ(large.size(), QSize(84, 94));
    int x0 = c->device(cell_x(4)), y0 = c->device(cell_y(4));
    // Inside the outline the empty square is the large picture unscaled.
    for (int y = 3; y < 90; y += 7)
        for (int x = 3; x < 80; x += 7)
            ASSERT_EQ(c->image().pixelColor(x0 + x, y0 + y), large.pixelColor(x, y)) << x << "," << y;
    // The outline is one natural pixel: two device pixels.
    EXPECT_EQ(c->image().pixelColor(x0 + 1, y0 + 40), QColor(0, 128, 0));
    EXPECT_NE(c->image().pixelColor(x0 + 2, y0 + 40), QColor(0, 128, 0));
    QImage grab = window.board()->grab().toImage();
    EXPECT_EQ(grab.size(), c->image().size());
}

}  // namespace
}  // namespace rindou::qt::test

namespace rindou::qt::test {
namespace {

// Every line between squares and around both hands, at window sizes from
// the smallest the window allows to four times the normal one (and, in the
// high-density run, at twice the pixel density).  The brick background keeps
// the green of the lines apart from everything around them.
TEST_F(WindowTest, GridLinesShowAtEverySize) {
    window.command("RENGA");
    const QColor line = palette_colour(FRAME_COLOUR);
    const QSize smallest = window.minimumSizeHint().expandedTo(window.minimumSize());
    const QSize sizes[] = {smallest,          QSize(400, 330),  QSize(480, 390), QSize(550, 450),
                           QSize(620, 505),   QSize(707, 580),  QSize(780, 640), QSize(900, 740),
                           QSize(1234, 987),  QSize(1414, 1160), QSize(2121, 1740),
                           QSize(2828, 2320)};
    for (QSize size : sizes) {
        window.resize(size);
        QApplication::processEvents();
        const Canvas* c = window.canvas();
        const QImage& image = c->image();
        int missing = 0;
        // Vertical lines at column edges first..last over rows top..bottom,
        // looked at halfway down every cell; then the horizontal ones.
        auto columns = [&](int first, int last, int top, int bottom) {
            for (int k = first; k <= last; ++k)
                for (int r = top; r < bottom; ++r) {
                    int x = c->device(cell_x(k)), y = c->device(cell_y(r + 0.5));
                    if (image.pixelColor(x, y) != line) ++missing;
                }
        };
        auto rows = [&](int first, int last, int left, int right) {
            for (int k = first; k <= last; ++k)
                for (int col = left; col < right; ++col) {
                    int x = c->device(cell_x(col + 0.5)), y = c->device(cell_y(k));
                    if (image.pixelColor(x, y) != line) ++missing;
                }
        };
        columns(1, 10, 1, 10);   // the board
        rows(1, 10, 1, 10);
        columns(11, 12, 3, 10);  // the lower hand
        rows(3, 10, 11, 12);
        columns(-1, 0, 1, 8);    // the upper hand
        rows(1, 8, -1, 0);
        EXPECT_EQ(missing, 0) << "window " << size.width() << "x" << size.height() << ", scale "
                              << c->device_scale();
    }
}

}  // namespace
}  // namespace rindou::qt::test

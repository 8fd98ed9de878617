// The artwork generator.  Every picture is drawn from code with a fixed
// random seed, at its natural size and at twice that size (name@2x.png) for
// high-density screens, so the pictures can be made again at any time.
//
// Usage: rindou-gen-art <output folder>

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double PI = 3.14159265358979323846;

// A small deterministic generator: the same pictures on every machine.
class Rng {
public:
    explicit Rng(uint32_t seed) : s_(seed ? seed : 1) {}
    uint32_t next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    double uniform() { return (next() & 0xffffff) / double(0x1000000); }
    double range(double a, double b) { return a + (b - a) * uniform(); }

private:
    uint32_t s_;
};

int clamp255(double v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(std::lround(v)); }

QColor shade(QColor c, double f) {
    return QColor(clamp255(c.red() * f), clamp255(c.green() * f), clamp255(c.blue() * f),
                  c.alpha());
}

QFont mincho(double pixel_size, bool bold = true) {
    QFont f;
    f.setFamilies({QStringLiteral("IPAMincho"), QStringLiteral("IPAPMincho")});
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixel_size))));
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Draws `draw` (in natural coordinates) at scale f into a w x h picture.
using Drawer = std::function<void(QPainter&, QImage&, int f)>;

bool write(const QString& folder, const QString& stem, int w, int h, const Drawer& draw) {
    for (int f : {1, 2}) {
        QImage img(w * f, h * f, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setRenderHint(QPainter::TextAntialiasing, true);
            p.setRenderHint(QPainter::SmoothPixmapTransform, true);
            p.scale(f, f);
            draw(p, img, f);
        }
        QString name = stem + (f == 1 ? QString() : QStringLiteral("@2x")) + QStringLiteral(".png");
        if (!img.save(QDir(folder).filePath(name))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return false;
        }
    }
    return true;
}

// ---- Seamless textures: per-pixel work on the image itself ------------------------

// Value noise that wraps around the picture's edges (period = the picture).
class WrapNoise {
public:
    WrapNoise(int w, int h, int cells_x, int cells_y, uint32_t seed)
        : w_(w), h_(h), cx_(cells_x), cy_(cells_y), v_(cells_x * cells_y) {
        Rng r(seed);
        for (double& d : v_) d = r.uniform();
    }
    double at(double x, double y) const {
        double gx = x / w_ * cx_, gy = y / h_ * cy_;
        int x0 = static_cast<int>(std::floor(gx)), y0 = static_cast<int>(std::floor(gy));
        double tx = gx - x0, ty = gy - y0;
        tx = tx * tx * (3 - 2 * tx);
        ty = ty * ty * (3 - 2 * ty);
        auto v = [this](int i, int j) {
            i = ((i % cx_) + cx_) % cx_;
            j = ((j % cy_) + cy_) % cy_;
            return v_[static_cast<size_t>(j * cx_ + i)];
        };
        double a = v(x0, y0) * (1 - tx) + v(x0 + 1, y0) * tx;
        double b = v(x0, y0 + 1) * (1 - tx) + v(x0 + 1, y0 + 1) * tx;
        return a * (1 - ty) + b * ty;
    }

private:
    int w_, h_, cx_, cy_;
    std::vector<double> v_;
};

void per_pixel(QImage& img, const std::function<QColor(double x, double y)>& colour_at, int f) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixelColor(x, y, colour_at((x + 0.5) / f, (y + 0.5) / f));
}

// Draws a shape nine times, shifted by the picture's size, so that whatever
// leaves one edge comes back in at the opposite edge.
void wrapped(QPainter& p, int w, int h, const std::function<void()>& draw) {
    for (int dy : {-h, 0, h})
        for (int dx : {-w, 0, w}) {
            p.save();
            p.translate(dx, dy);
            draw();
            p.restore();
        }
}

// ---- Background tiles (41 x 46) -------------------------------------------------

constexpr int TW = 41, TH = 46;

void felt(QPainter&, QImage& img, int f) {
    WrapNoise coarse(TW, TH, 4, 4, 11), fine(TW, TH, 41, 46, 12);
    Rng grain(13);
    per_pixel(
        img,
        [&](double x, double y) {
            double n = 0.6 * coarse.at(x, y) + 0.4 * fine.at(x, y) + grain.range(-0.08, 0.08);
            return QColor(clamp255(18 + 14 * n), clamp255(98 + 34 * n), clamp255(42 + 18 * n));
        },
        f);
}

void tatami(QPainter& p, QImage& img, int f) {
    WrapNoise tone(TW, TH, 3, 2, 21);
    Rng grain(22);
    per_pixel(
        img,
        [&](double x, double y) {
            // Rush stems run across; each stem is a rounded ridge.
            double stem = std::fabs(std::sin(PI * y * 12.0 / TH));
            double light = 0.78 + 0.22 * stem + 0.06 * tone.at(x, y) + grain.range(-0.03, 0.03);
            // Warp threads: faint darker lines down the tile.
            double warp = std::cos(2 * PI * x * 4.0 / TW);
            if (warp > 0.93) light *= 0.86;
            return QColor(clamp255(196 * light), clamp255(190 * light), clamp255(118 * light));
        },
        f);
    (void)p;
}

void bamboo(QPainter& p, QImage& img, int f) {
    img.fill(QColor(32, 64, 28));
    WrapNoise shadow(TW, TH, 2, 3, 31);
    struct Stalk {
        double cx, width, node;
        QColor colour;
    };
    const Stalk stalks[] = {{10.5, 15, 13, QColor(120, 170, 60)}, {31.0, 12, 36, QColor(98, 150, 52)}};
    for (const Stalk& s : stalks) {
        wrapped(p, TW, TH, [&] {
            QLinearGradient g(s.cx - s.width / 2, 0, s.cx + s.width / 2, 0);
            g.setColorAt(0.0, shade(s.colour, 0.55));
            g.setColorAt(0.35, shade(s.colour, 1.15));
            g.setColorAt(0.55, shade(s.colour, 1.0));
            g.setColorAt(1.0, shade(s.colour, 0.5));
            p.fillRect(QRectF(s.cx - s.width / 2, -1, s.width, TH + 2), g);
            // The node: a dark joint with a light ridge under it.
            QRectF joint(s.cx - s.width / 2 - 0.5, s.node - 1.2, s.width + 1, 2.4);
            p.setPen(Qt::NoPen);
            p.setBrush(shade(s.colour, 0.45));
            p.drawRoundedRect(joint, 1, 1);
            p.setBrush(shade(s.colour, 1.35));
            p.drawRect(QRectF(s.cx - s.width / 2 + 1, s.node + 1.2, s.width - 2, 0.9));
        });
    }
    (void)shadow;
    (void)f;
}

void space(QPainter& p, QImage& img, int f) {
    WrapNoise nebula(TW, TH, 3, 3, 41), fine(TW, TH, 9, 9, 42);
    per_pixel(
        img,
        [&](double x, double y) {
            double n = nebula.at(x, y) * 0.7 + fine.at(x, y) * 0.3;
            double glow = std::max(0.0, n - 0.45) * 1.8;
            return QColor(clamp255(6 + 40 * glow), clamp255(6 + 12 * glow), clamp255(28 + 60 * glow));
        },
        f);
    Rng r(43);
    for (int i = 0; i < 9; ++i) {
        double x = r.range(0, TW), y = r.range(0, TH);
        double size = i < 2 ? 1.6 : r.range(0.45, 0.9);
        int tint = static_cast<int>(r.next() % 3);
        QColor c = tint == 0 ? QColor(255, 255, 255) : tint == 1 ? QColor(200, 220, 255)
                                                                 : QColor(255, 240, 200);
        wrapped(p, TW, TH, [&] {
            QRadialGradient g(x, y, size * 2.2);
            g.setColorAt(0, c);
            g.setColorAt(0.35, QColor(c.red(), c.green(), c.blue(), 160));
            g.setColorAt(1, QColor(c.red(), c.green(), c.blue(), 0));
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawEllipse(QPointF(x, y), size * 2.2, size * 2.2);
        });
    }
}

void brick(QPainter& p, QImage& img, int f) {
    img.fill(QColor(178, 170, 156));  // mortar
    Rng r(51);
    WrapNoise grain(TW, TH, 14, 10, 52);
    const double course = TH / 2.0;  // two courses per tile
    const double joint = 2.6;
    for (int row = 0; row < 2; ++row) {
        double top = row * course + joint / 2;
        double offset = row == 0 ? 0.0 : TW / 2.0;
        double tone = r.range(0.88, 1.08);
        wrapped(p, TW, TH, [&] {
            QRectF b(offset + joint / 2, top, TW - joint, course - joint);
            QLinearGradient g(b.topLeft(), b.bottomLeft());
            QColor base = shade(QColor(162, 66, 44), tone);
            g.setColorAt(0, shade(base, 1.12));
            g.setColorAt(0.5, base);
            g.setColorAt(1, shade(base, 0.8));
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawRoundedRect(b, 1.2, 1.2);
        });
    }
    // A little grain over everything, wrapping like the rest.
    QImage copy = img;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            double n = grain.at((x + 0.5) / f, (y + 0.5) / f) - 0.5;
            img.setPixelColor(x, y, shade(copy.pixelColor(x, y), 1.0 + 0.14 * n));
        }
}

// ---- Board square, pieces and coin (42 x 47) ------------------------------------------

constexpr int PW = 42, PH = 47;

void wood_square(QPainter&, QImage& img, int f) {
    WrapNoise grain(PW, PH, 3, 18, 61), fine(PW, PH, 21, 40, 62);
    per_pixel(
        img,
        [&](double x, double y) {
            // Kaya grain: soft bands along the square with a slow wave.
            double band = std::sin((y + 2.5 * std::sin(x * 0.19)) * 0.9) * 0.5 + 0.5;
            double n = 0.55 * grain.at(x, y) + 0.25 * fine.at(x, y) + 0.2 * band;
            double k = 0.9 + 0.16 * n;
            return QColor(clamp255(226 * k), clamp255(182 * k), clamp255(112 * k));
        },
        f);
}

QPolygonF piece_outline() {
    // The five-sided piece, point upwards, inside the 42 x 47 square.
    return QPolygonF({QPointF(21, 4.5), QPointF(33.2, 10.5), QPointF(36.5, 42.5),
                      QPointF(5.5, 42.5), QPointF(8.8, 10.5)});
}

void piece(QPainter& p, QImage& img, int f, const QString& kanji, bool promoted, bool upper) {
    wood_square(p, img, f);
    QTransform turn;
    if (upper) {
        // Upper pieces face the other player: turned half round about the
        // centre of the playing area of the square.
        turn.translate(21, 23.5);
        turn.rotate(180);
        turn.translate(-21, -23.5);
    }
    QPolygonF body = turn.map(piece_outline());
    // Shadow to the lower right whatever way the piece faces.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 40, 10, 110));
    p.drawPolygon(body.translated(1.4, 1.6));
    // Boxwood body with a light top edge.
    QRectF box = body.boundingRect();
    QLinearGradient g(box.topLeft(), box.bottomRight());
    g.setColorAt(0, QColor(252, 228, 168));
    g.setColorAt(0.6, QColor(236, 200, 128));
    g.setColorAt(1, QColor(214, 172, 100));
    p.setBrush(g);
    p.setPen(QPen(QColor(122, 78, 30), 0.9));
    p.drawPolygon(body);

    p.save();
    p.setTransform(turn, true);
    QFont font = mincho(kanji.size() > 1 ? 14 : 22);
    p.setFont(font);
    p.setPen(promoted ? QColor(200, 16, 16) : QColor(18, 12, 8));
    QRectF area(6, 12, 30, 30);
    p.drawText(area, Qt::AlignHCenter | Qt::AlignVCenter, kanji);
    p.restore();
}

void coin(QPainter& p, QImage& img, int f) {
    wood_square(p, img, f);
    QPointF c(21, 23.5);
    const double r = 15;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 35, 5, 120));
    p.drawEllipse(c + QPointF(1.3, 1.6), r, r);
    QRadialGradient g(c - QPointF(5, 6), r * 1.6);
    g.setColorAt(0, QColor(255, 236, 150));
    g.setColorAt(0.5, QColor(222, 170, 60));
    g.setColorAt(1, QColor(150, 100, 20));
    p.setBrush(g);
    p.setPen(QPen(QColor(110, 70, 10), 1.0));
    p.drawEllipse(c, r, r);
    // Raised rim and the square hole of an old coin.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 230, 140, 200), 0.8));
    p.drawEllipse(c, r - 2.4, r - 2.4);
    p.setPen(QPen(QColor(120, 80, 14), 1.0));
    p.setBrush(QColor(120, 84, 40));
    p.drawRect(QRectF(c.x() - 4, c.y() - 4, 8, 8));
    p.setPen(QPen(QColor(255, 232, 150, 180), 0.7));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(c.x() - 5.3, c.y() - 5.3, 10.6, 10.6));
}

// ---- Gentian flower, logo, about picture, icon --------------------------------------------

void gentian(QPainter& p, QPointF at, double size) {
    // Five-petalled blue-violet bell seen from above, on a short stem.
    p.save();
    p.translate(at);
    p.setPen(QPen(QColor(40, 110, 40), size * 0.08));
    p.drawLine(QPointF(0, size * 0.2), QPointF(size * 0.05, size * 0.95));
    for (int i = 0; i < 5; ++i) {
        p.save();
        p.rotate(i * 72.0);
        QPainterPath petal;
        petal.moveTo(0, 0);
        petal.cubicTo(size * 0.28, -size * 0.18, size * 0.22, -size * 0.55, 0, -size * 0.62);
        petal.cubicTo(-size * 0.22, -size * 0.55, -size * 0.28, -size * 0.18, 0, 0);
        QLinearGradient g(0, 0, 0, -size * 0.62);
        g.setColorAt(0, QColor(60, 40, 150));
        g.setColorAt(1, QColor(130, 110, 235));
        p.setBrush(g);
        p.setPen(QPen(QColor(40, 20, 100), size * 0.03));
        p.drawPath(petal);
        p.restore();
    }
    p.setBrush(QColor(245, 240, 255));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(0, 0), size * 0.09, size * 0.09);
    p.restore();
}

void logo(QPainter& p, QImage&, int) {
    QRectF plate(0.5, 0.5, 136, 42);
    QLinearGradient g(plate.topLeft(), plate.bottomLeft());
    g.setColorAt(0, QColor(84, 52, 140));
    g.setColorAt(1, QColor(38, 20, 78));
    p.setBrush(g);
    p.setPen(QPen(QColor(222, 186, 90), 1.2));
    p.drawRoundedRect(plate.adjusted(0.6, 0.6, -0.6, -0.6), 6, 6);
    gentian(p, QPointF(21, 21), 30);
    p.setFont(mincho(21));
    p.setPen(QColor(20, 8, 40));
    p.drawText(QRectF(41, 3, 94, 26), Qt::AlignCenter, QStringLiteral("りんどう"));
    p.setPen(QColor(255, 248, 230));
    p.drawText(QRectF(40, 2, 94, 26), Qt::AlignCenter, QStringLiteral("りんどう"));
    QFont small;
    small.setFamilies({QStringLiteral("DejaVu Serif"), QStringLiteral("IPAMincho")});
    small.setPixelSize(10);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 2.2);
    p.setFont(small);
    p.setPen(QColor(222, 186, 90));
    p.drawText(QRectF(40, 27, 94, 13), Qt::AlignCenter, QStringLiteral("RINDOU"));
}

void about(QPainter& p, QImage& img, int f) {
    const int w = 240, h = 150;
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(230, 226, 246));
    sky.setColorAt(1, QColor(186, 176, 222));
    p.fillRect(QRectF(0, 0, w, h), sky);
    // A corner of the board with a piece and the coin.
    p.save();
    p.translate(118, 40);
    p.rotate(-8);
    QImage square(PW * f, PH * f, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < 2; ++i) {
        square.fill(Qt::transparent);
        QPainter q(&square);
        q.setRenderHint(QPainter::Antialiasing);
        q.scale(f, f);
        if (i == 0)
            piece(q, square, f, QStringLiteral("王"), false, false);
        else
            coin(q, square, f);
        q.end();
        QRectF target(i * 41.0, 0, PW, PH);
        p.drawImage(target, square);
        p.setPen(QPen(QColor(0, 128, 0), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(target.adjusted(0, 0, -1, -1));
    }
    p.restore();
    gentian(p, QPointF(52, 62), 70);
    gentian(p, QPointF(92, 96), 40);
    p.setFont(mincho(26));
    p.setPen(QColor(50, 24, 100));
    p.drawText(QRectF(110, 96, 120, 34), Qt::AlignCenter, QStringLiteral("りんどう"));
    QFont small = mincho(11, false);
    p.setFont(small);
    p.drawText(QRectF(110, 126, 120, 16), Qt::AlignCenter, QStringLiteral("Rindou"));
    (void)img;
}

void icon(QPainter& p, QImage& img, int f) {
    // 64 x 64: a piece with the gentian behind it.
    gentian(p, QPointF(46, 20), 34);
    QPolygonF body({QPointF(28, 6), QPointF(44, 14), QPointF(48, 58), QPointF(8, 58),
                    QPointF(12, 14)});
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 30, 5, 120));
    p.drawPolygon(body.translated(2, 2));
    QLinearGradient g(0, 6, 0, 58);
    g.setColorAt(0, QColor(252, 228, 168));
    g.setColorAt(1, QColor(214, 172, 100));
    p.setBrush(g);
    p.setPen(QPen(QColor(122, 78, 30), 1.4));
    p.drawPolygon(body);
    p.setFont(mincho(28));
    p.setPen(QColor(18, 12, 8));
    p.drawText(QRectF(8, 18, 40, 38), Qt::AlignCenter, QStringLiteral("王"));
    (void)img;
    (void)f;
}

// The icon for the desktop's icon theme, drawn afresh at each size the themes
// ask for rather than scaled from one picture: rindou-<size>.png.
bool write_icon_sizes(const QString& folder) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setRenderHint(QPainter::TextAntialiasing, true);
            p.scale(size / 64.0, size / 64.0);
            icon(p, img, 1);
        }
        QString name = QStringLiteral("rindou-%1.png").arg(size);
        if (!img.save(QDir(folder).filePath(name))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("assets/pictures");
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out));
        return 1;
    }
    bool ok = true;
    ok &= write(out, QStringLiteral("KARA_MASU"), PW, PH, wood_square);
    ok &= write(out, QStringLiteral("COIN"), PW, PH, coin);
    ok &= write(out, QStringLiteral("HAIKEI_MIDORI"), TW, TH, felt);
    ok &= write(out, QStringLiteral("HAIKEI_TATAMI"), TW, TH, tatami);
    ok &= write(out, QStringLiteral("HAIKEI_TAKE"), TW, TH, bamboo);
    ok &= write(out, QStringLiteral("HAIKEI_UCHU"), TW, TH, space);
    ok &= write(out, QStringLiteral("HAIKEI_RENGA"), TW, TH, brick);
    ok &= write(out, QStringLiteral("RINDOU"), 137, 43, logo);
    ok &= write(out, QStringLiteral("ABOUT"), 240, 150, about);
    ok &= write(out, QStringLiteral("ICON"), 64, 64, icon);

    struct Kind {
        const char* name;
        const char* plain;
        const char* promoted;  // nullptr: the kind does not promote
    };
    const Kind kinds[] = {{"HU", "歩", "と"},   {"KYOU", "香", "杏"}, {"KEI", "桂", "圭"},
                          {"GIN", "銀", "全"},  {"KIN", "金", nullptr}, {"KAKU", "角", "馬"},
                          {"SYA", "飛", "龍"},  {"OU", "王", nullptr}};
    for (const Kind& k : kinds) {
        for (bool upper : {false, true}) {
            QString side = upper ? QStringLiteral("UE_") : QStringLiteral("SITA_");
            QString base = side + QString::fromLatin1(k.name);
            QString plain = QString::fromUtf8(k.plain);
            auto draw_plain = [plain, upper](QPainter& p, QImage& img, int f) {
                piece(p, img, f, plain, false, upper);
            };
            if (!k.promoted) {
                ok &= write(out, base, PW, PH, draw_plain);
                continue;
            }
            QString promoted = QString::fromUtf8(k.promoted);
            ok &= write(out, base + QStringLiteral("_0"), PW, PH, draw_plain);
            ok &= write(out, base + QStringLiteral("_1"), PW, PH,
                        [promoted, upper](QPainter& p, QImage& img, int f) {
                            piece(p, img, f, promoted, true, upper);
                        });
        }
    }
    if (argc > 2) {
        QString icons = QString::fromLocal8Bit(argv[2]);
        ok &= QDir().mkpath(icons) && write_icon_sizes(icons);
    }
    return ok ? 0 : 1;
}

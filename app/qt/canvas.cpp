#include "app/qt/canvas.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <utility>

#include "core/files.h"
#include "shell/data_files.h"
#include "view/draw.h"
#include "view/look.h"

namespace rindou::qt {

namespace {

constexpr double TWIPS_PER_PIXEL = 15.0;
// The display list keeps its bounds in quarter twips: text positions fall on
// tenths of a cell, which are half twips.
constexpr double UNITS_PER_TWIP = 4.0;

int units(double twips) { return static_cast<int>(std::floor(twips * UNITS_PER_TWIP)); }
int units_up(double twips) { return static_cast<int>(std::ceil(twips * UNITS_PER_TWIP)); }

// Bounds grow outwards (what a call may touch) ...
QRect unit_rect(double x1, double y1, double x2, double y2) {
    return QRect(QPoint(units(x1), units(y1)), QPoint(units_up(x2) - 1, units_up(y2) - 1));
}

// ... and covers shrink inwards (what a call surely paints).
QRect inner_rect(double x1, double y1, double x2, double y2) {
    return QRect(QPoint(units_up(x1), units_up(y1)), QPoint(units(x2) - 1, units(y2) - 1));
}

}  // namespace

QColor palette_colour(int index) {
    const Rgb c = palette_rgb(index);
    return QColor(c.red, c.green, c.blue);
}

QFont text_font(int size_pt, bool bold, double device_scale) {
    QFont f;
    QStringList families;
    for (const std::string& family : text_font_families())
        families << QString::fromStdString(family);
    f.setFamilies(families);
    f.setStyleHint(QFont::Serif);
    // A point is 20 twips, so 4/3 of a pixel at the natural size.
    int px = static_cast<int>(std::lround(size_pt * 4.0 / 3.0 * device_scale));
    f.setPixelSize(std::max(1, px));
    f.setBold(bold);
    return f;
}

// ---- Pictures -------------------------------------------------------------------

QImage read_data_image(const std::string& path) {
    // Pictures are small; a larger file is none of ours.
    constexpr size_t LIMIT = 16u * 1024u * 1024u;
    std::string bytes;
    std::error_code error;
    if (path.empty() || !read_whole_file(path, bytes, error, LIMIT)) return {};
    return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()),
                            static_cast<int>(bytes.size()));
}

std::string PictureSet::file_stem(int code) { return picture_file_stem(code); }

PictureSet::PictureSet() {
    for (int code : picture_codes()) {
        if (file_stem(code).empty()) continue;
        ++wanted_;
        std::string stem = "pictures/" + file_stem(code);
        std::string path = find_data_file(stem + ".png");
        if (path.empty()) continue;
        Picture p;
        p.normal = read_data_image(path).convertToFormat(
            QImage::Format_ARGB32_Premultiplied);
        if (p.normal.isNull()) continue;
        p.normal.setDevicePixelRatio(1.0);
        std::string large = find_data_file(stem + "@2x.png");
        if (!large.empty()) {
            p.large = read_data_image(large)
                          .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            // Qt reads "@2x" in a file name as a pixel ratio; here the image
            // is drawn pixel for pixel.
            p.large.setDevicePixelRatio(1.0);
            if (p.large.size() != p.normal.size() * 2) p.large = QImage();
        }
        p.opaque = !p.normal.hasAlphaChannel();
        if (!p.opaque) {
            p.opaque = true;
            for (int y = 0; y < p.normal.height() && p.opaque; ++y)
                for (int x = 0; x < p.normal.width(); ++x)
                    if (qAlpha(p.normal.pixel(x, y)) != 255) {
                        p.opaque = false;
                        break;
                    }
        }
        pictures_.emplace(code, std::move(p));
    }
}

QSize PictureSet::natural_size(int code) const {
    auto it = pictures_.find(code);
    return it == pictures_.end() ? QSize() : it->second.normal.size();
}

const QImage* PictureSet::source(int code, double device_scale) const {
    auto it = pictures_.find(code);
    if (it == pictures_.end()) return nullptr;
    if (device_scale > 1.25 && !it->second.large.isNull()) return &it->second.large;
    return &it->second.normal;
}

bool PictureSet::opaque(int code) const {
    auto it = pictures_.find(code);
    return it != pictures_.end() && it->second.opaque;
}

// ---- Canvas ---------------------------------------------------------------------

Canvas::Canvas(const PictureSet* pictures) : pictures_(pictures) {
    set_geometry(QSize(706, 555), 1.0, 1.0);
}

int Canvas::device(double twips) const {
    return static_cast<int>(std::floor(twips / TWIPS_PER_PIXEL * scale_ + 0.5));
}

double Canvas::twips_of_device(int pixel) const {
    return (pixel + 0.5) * TWIPS_PER_PIXEL / scale_;
}

QPainter& Canvas::painter() const {
    if (!painter_) painter_ = std::make_unique<QPainter>(const_cast<QImage*>(&image_));
    return *painter_;
}

void Canvas::end_painting() const { painter_.reset(); }

const QImage& Canvas::image() const {
    end_painting();
    return image_;
}

void Canvas::set_geometry(QSize device_size, double device_scale, double device_pixel_ratio) {
    end_painting();
    scale_ = device_scale > 0 ? device_scale : 1.0;
    dpr_ = device_pixel_ratio > 0 ? device_pixel_ratio : 1.0;
    // The image itself is kept in device pixels (ratio 1); the widget shows
    // it into its logical rectangle.
    image_ = QImage(device_size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    rebuild();
}

void Canvas::set_underlay(int code) {
    if (code == underlay_) return;
    underlay_ = code;
    rebuild();
}

void Canvas::rebuild() {
    end_painting();
    image_.fill(palette_colour(2));
    const QSize tile = pictures_ && underlay_ ? pictures_->natural_size(*underlay_) : QSize();
    if (!tile.isEmpty()) {
        // On the grid the game tiles its background on, from a cell left of
        // and above the image's corner to past its far edges.
        const double right = twips_of_device(image_.width()), bottom = twips_of_device(image_.height());
        const int first_c = static_cast<int>(std::floor(-static_cast<double>(board_left) / square_width)) - 1;
        const int first_r = static_cast<int>(std::floor(-static_cast<double>(board_top) / square_height)) - 1;
        for (int c = first_c; cell_x(c) < right; ++c)
            for (int r = first_r; cell_y(r) < bottom; ++r) {
                const double x = cell_x(c), y = cell_y(r);
                paint(Op{Kind::Image, *underlay_, x, y, x + tile.width() * TWIPS_PER_PIXEL,
                         y + tile.height() * TWIPS_PER_PIXEL, {}, 0, false, {}, true});
            }
    }
    for (const Op& op : ops_) paint(op);
}

void Canvas::draw_image(int code, double x, double y) {
    QSize size = pictures_ ? pictures_->natural_size(code) : QSize();
    if (size.isEmpty()) return;  // a code without a picture draws nothing
    Op op{Kind::Image, code, x, y, x + size.width() * TWIPS_PER_PIXEL,
          y + size.height() * TWIPS_PER_PIXEL, {}, 0, false, {}, false};
    op.bound = unit_rect(op.x1, op.y1, op.x2, op.y2);
    op.opaque = pictures_->opaque(code);
    add(std::move(op));
}

void Canvas::draw_outline(int colour, double x1, double y1, double x2, double y2) {
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    Op op{Kind::Outline, colour, x1, y1, x2, y2, {}, 0, false, {}, true};
    op.bound = unit_rect(x1, y1, x2 + TWIPS_PER_PIXEL, y2 + TWIPS_PER_PIXEL);
    add(std::move(op));
}

void Canvas::draw_text(double x, double y, const std::string& text, int colour, int size_pt,
                       bool bold) {
    if (text.empty()) return;
    QFontMetricsF fm(text_font(size_pt, bold, 1.0));
    double w = fm.horizontalAdvance(QString::fromStdString(text)) * TWIPS_PER_PIXEL;
    double h = fm.height() * TWIPS_PER_PIXEL;
    // Generous margins: glyphs overhang their advance, and at other scales
    // the rounded pixel size changes the width a little.
    double mx = 0.12 * w + 3 * TWIPS_PER_PIXEL;
    double my = 0.12 * h + 3 * TWIPS_PER_PIXEL;
    Op op{Kind::Text, colour, x, y, x + w, y + h, text, size_pt, bold, {}, false};
    op.bound = unit_rect(x - mx, y - my, x + w + mx, y + h + my);
    add(std::move(op));
}

void Canvas::add(Op op) {
    paint(op);
    ops_.push_back(std::move(op));
    if (ops_.size() > next_compaction_) {
        compact();
        next_compaction_ = std::max<size_t>(4096, ops_.size() * 2);
    }
}

void Canvas::paint(const Op& op) {
    QPainter& p = painter();
    auto dev_rect = [this](double x1, double y1, double x2, double y2) {
        return QRect(QPoint(device(x1), device(y1)), QPoint(device(x2) - 1, device(y2) - 1));
    };
    switch (op.kind) {
    case Kind::Image: {
        const QImage* src = pictures_->source(op.value, scale_);
        if (!src) return;
        QRect target = dev_rect(op.x1, op.y1, op.x2, op.y2);
        if (target.size() == src->size()) {
            p.drawImage(target.topLeft(), *src);
        } else {
            p.setRenderHint(QPainter::SmoothPixmapTransform, true);
            p.drawImage(target, *src);
            p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        }
        break;
    }
    case Kind::Outline: {
        // Each side is one natural pixel wide, so that at every scale it
        // covers the last pixel of a 42 by 47 picture drawn on the cell.
        // Below the natural size a natural pixel is less than a device
        // pixel and could round away: a side is never narrower than one.
        auto band = [this](double a) {
            int first = device(a);
            return std::pair<int, int>(first, std::max(device(a + TWIPS_PER_PIXEL), first + 1));
        };
        auto [left, left_end] = band(op.x1);
        auto [right, right_end] = band(op.x2);
        auto [top, top_end] = band(op.y1);
        auto [bottom, bottom_end] = band(op.y2);
        QColor c = palette_colour(op.value);
        auto fill = [&p, &c](int x1, int y1, int x2, int y2) {
            p.fillRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)), c);
        };
        fill(left, top, right_end, top_end);
        fill(left, bottom, right_end, bottom_end);
        fill(left, top, left_end, bottom_end);
        fill(right, top, right_end, bottom_end);
        break;
    }
    case Kind::Text: {
        QFont f = text_font(op.size, op.bold, scale_);
        p.setFont(f);
        p.setPen(palette_colour(op.value));
        QFontMetricsF fm(f);
        p.drawText(QPointF(device(op.x1), device(op.y1) + fm.ascent()),
                   QString::fromStdString(op.text));
        break;
    }
    }
}

QRegion Canvas::footprint(const Op& op, bool inner) {
    auto rect = [inner](double x1, double y1, double x2, double y2) {
        return inner ? inner_rect(x1, y1, x2, y2) : unit_rect(x1, y1, x2, y2);
    };
    if (op.kind == Kind::Outline) {
        const double t = TWIPS_PER_PIXEL;
        QRegion ring;
        ring += rect(op.x1, op.y1, op.x2 + t, op.y1 + t);
        ring += rect(op.x1, op.y2, op.x2 + t, op.y2 + t);
        ring += rect(op.x1, op.y1, op.x1 + t, op.y2 + t);
        ring += rect(op.x2, op.y1, op.x2 + t, op.y2 + t);
        return ring;
    }
    if (op.kind == Kind::Image && inner) return rect(op.x1, op.y1, op.x2, op.y2);
    return QRegion(op.bound);
}

void Canvas::compact() {
    // Walk back from the newest call: a call whose footprint lies wholly
    // inside what later opaque calls paint can never show again.
    QRegion covered;
    std::vector<bool> keep(ops_.size(), true);
    for (size_t i = ops_.size(); i-- > 0;) {
        const Op& op = ops_[i];
        if (!covered.isEmpty() && (footprint(op, false) - covered).isEmpty()) {
            keep[i] = false;
            continue;
        }
        if (op.opaque) covered += footprint(op, true);
    }
    std::vector<Op> kept;
    kept.reserve(ops_.size());
    for (size_t i = 0; i < ops_.size(); ++i)
        if (keep[i]) kept.push_back(std::move(ops_[i]));
    ops_.swap(kept);
}

}  // namespace rindou::qt

// The window's persistent image.  Every drawing call of the game lands on it
// at once; the calls are also kept in a display list so that the image can be
// rebuilt at any size and device pixel ratio (window resize, high-density
// screens) and still look exactly as if it had been drawn at that size.
// Positions are twips (15 twips = one pixel at the natural size).
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rindou::qt {

// The five colours of the 16-colour palette the game uses (others: grey).
QColor palette_colour(int index);

// The board text font: a proportional Mincho, at a pixel size for the scale.
QFont text_font(int size_pt, bool bold, double device_scale);

// The pictures of the picture codes, loaded once from pictures/*.png.
// A picture of the data folder, read through the program's own safe file
// reading (only a regular file, never waited on); a null image when it
// cannot be read.
QImage read_data_image(const std::string& path);

class PictureSet {
public:
    PictureSet();

    // File stem of a picture code ("SITA_HU_0", "HAIKEI_MIDORI", ...), or
    // empty when the code has no picture.
    static std::string file_stem(int code);
    // The natural size in pixels (0x0 when the code has no picture).
    QSize natural_size(int code) const;
    // The best source image for drawing at `device_scale` device pixels per
    // natural pixel; nullptr when the code has no picture.
    const QImage* source(int code, double device_scale) const;
    // True when the picture has no transparent pixel.
    bool opaque(int code) const;
    // Number of pictures found, and of those looked for.
    int loaded() const { return static_cast<int>(pictures_.size()); }
    int wanted() const { return wanted_; }

private:
    struct Picture {
        QImage normal;
        QImage large;  // twice the natural size, when available
        bool opaque = true;
    };
    std::map<int, Picture> pictures_;
    int wanted_ = 0;
};

class Canvas {
public:
    explicit Canvas(const PictureSet* pictures);

    // Size of the image in device pixels and the number of device pixels
    // per natural pixel.  Rebuilds the image from the display list.
    void set_geometry(QSize device_size, double device_scale, double device_pixel_ratio);

    // The picture tiled on the board's grid under everything drawn: the
    // game's background reaches as far as the window's normal proportions,
    // and a window of other proportions shows this beyond it rather than
    // bare colour.  None at first.  Rebuilds the image when it changes.
    void set_underlay(int code);

    void draw_image(int code, double x, double y);
    void draw_outline(int colour, double x1, double y1, double x2, double y2);
    void draw_text(double x, double y, const std::string& text, int colour, int size_pt,
                   bool bold);

    // The image as drawn so far (ends a pending batch of drawing).
    const QImage& image() const;
    double device_scale() const { return scale_; }
    double device_pixel_ratio() const { return dpr_; }
    // Device pixel of a twip coordinate (the same rounding for x and y).
    int device(double twips) const;
    // Twips at the centre of a device pixel.
    double twips_of_device(int pixel) const;

    size_t list_size() const { return ops_.size(); }
    // Drops the calls that later opaque calls paint over completely.
    void compact();

private:
    enum class Kind { Image, Outline, Text };
    struct Op {
        Kind kind;
        int value;  // picture code or colour
        double x1, y1, x2, y2;
        std::string text;
        int size = 0;
        bool bold = false;
        QRect bound;  // quarter twips, an over-estimate of what it paints
        bool opaque = false;
    };

    static QRegion footprint(const Op& op, bool inner);
    void add(Op op);
    void paint(const Op& op);
    void rebuild();

    QPainter& painter() const;
    void end_painting() const;

    const PictureSet* pictures_;
    std::optional<int> underlay_;
    std::vector<Op> ops_;
    size_t next_compaction_ = 4096;
    QImage image_;
    double scale_ = 1.0;
    double dpr_ = 1.0;
    // One painter serves a whole batch of calls: starting a painter per
    // call would cost more than most calls themselves.  Declared last: it
    // ends before the image goes.
    mutable std::unique_ptr<QPainter> painter_;
};

}  // namespace rindou::qt

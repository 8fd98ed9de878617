#include "app/qt/board_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "app/qt/canvas.h"

namespace rindou::qt {

BoardWidget::BoardWidget(Canvas* canvas, QWidget* parent) : QWidget(parent), canvas_(canvas) {
    setObjectName(QStringLiteral("Board"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(160, 120);
}

void BoardWidget::paintEvent(QPaintEvent*) {
    // The screen may have changed its pixel density since the last paint.
    if (!qFuzzyCompare(canvas_->device_pixel_ratio(), devicePixelRatioF()) && on_geometry)
        on_geometry();
    QPainter p(this);
    const QImage& image = canvas_->image();
    p.drawImage(QRectF(QPointF(0, 0), QSizeF(image.size()) / canvas_->device_pixel_ratio()),
                image);
    if (!painted_) {
        painted_ = true;
        if (on_first_paint) on_first_paint();
    }
}

void BoardWidget::mousePressEvent(QMouseEvent* e) {
    int button = e->button() == Qt::LeftButton ? 1 : e->button() == Qt::RightButton ? 2 : 0;
    // Other buttons mean nothing to the game: a middle click must neither
    // promote nor be refused as a left click would be.
    if (button == 0 || !on_press) return;
    on_press(button, e->position());
}

void BoardWidget::resizeEvent(QResizeEvent*) {
    if (on_geometry) on_geometry();
}

}  // namespace rindou::qt

// The drawing surface: it only shows the canvas and reports mouse presses
// and size changes to the window.
#pragma once

#include <QWidget>
#include <functional>

namespace rindou::qt {

class Canvas;

class BoardWidget : public QWidget {
public:
    BoardWidget(Canvas* canvas, QWidget* parent = nullptr);

    // button 1 left, 2 right; the position in logical pixels of the widget.
    std::function<void(int button, QPointF pos)> on_press;
    std::function<void()> on_geometry;
    std::function<void()> on_first_paint;

    QSize sizeHint() const override { return QSize(707, 555); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    Canvas* canvas_;
    bool painted_ = false;
};

}  // namespace rindou::qt

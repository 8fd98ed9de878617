// Every dialog the window shows goes through one seam, so that tests can
// replace it and look at what would have been shown.  No dialog blocks: each
// opens and returns at once, and says when it was answered.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace rindou::qt {

// A message box as the game shows it: the exact title and text, no icon,
// one "OK" button or "はい" and "いいえ".  A Yes/No box cannot be escaped
// or closed without an answer.
class GameMessageBox : public QMessageBox {
public:
    GameMessageBox(QWidget* parent, const QString& title, const QString& text, bool yes_no);
    QAbstractButton* yes_button() const { return yes_; }
    QAbstractButton* no_button() const { return no_; }
    QAbstractButton* ok_button() const { return ok_; }
    bool answered_yes() const { return clickedButton() != nullptr && clickedButton() == yes_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    bool yes_no_;
    QAbstractButton* yes_ = nullptr;
    QAbstractButton* no_ = nullptr;
    QAbstractButton* ok_ = nullptr;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Each opens its box over `parent` (which refuses input meanwhile: the
    // boxes are not modal, so that the window can still be closed) and
    // returns the box; `closed` or `answered` runs once the person answered.
    virtual QWidget* message(QWidget* parent, const QString& title, const QString& text,
                             std::function<void()> closed);
    virtual QWidget* ask_yes_no(QWidget* parent, const QString& title, const QString& text,
                                std::function<void(bool yes)> answered);
    // The about box; true when its home page button was pressed.
    virtual QWidget* about(QWidget* parent, std::function<void(bool home_page)> closed);
};

}  // namespace rindou::qt

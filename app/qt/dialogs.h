// Every dialog the window shows goes through one seam, so that tests can
// replace it and look at what would have been shown without blocking.
#pragma once

#include <QMessageBox>
#include <QString>
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
    virtual void message(QWidget* parent, const QString& title, const QString& text);
    virtual bool ask_yes_no(QWidget* parent, const QString& title, const QString& text);
    // The about box; true when its home page button was pressed.
    virtual bool about(QWidget* parent);
};

}  // namespace rindou::qt

#include "app/qt/dialogs.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

#include "app/qt/about_box.h"
#include "app/qt/qt_texts.h"

namespace rindou::qt {

GameMessageBox::GameMessageBox(QWidget* parent, const QString& title, const QString& text,
                               bool yes_no)
    : QMessageBox(parent), yes_no_(yes_no) {
    setWindowTitle(title);
    setTextFormat(Qt::PlainText);
    setText(text);
    setIcon(QMessageBox::NoIcon);
    if (yes_no) {
        yes_ = addButton(qtext(Text::ButtonYes), QMessageBox::YesRole);
        no_ = addButton(qtext(Text::ButtonNo), QMessageBox::NoRole);
        setDefaultButton(static_cast<QPushButton*>(yes_));
    } else {
        ok_ = addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        setDefaultButton(static_cast<QPushButton*>(ok_));
        setEscapeButton(ok_);
    }
}

void GameMessageBox::keyPressEvent(QKeyEvent* e) {
    if (yes_no_ && e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QMessageBox::keyPressEvent(e);
}

void GameMessageBox::closeEvent(QCloseEvent* e) {
    if (yes_no_ && clickedButton() == nullptr) {
        e->ignore();
        return;
    }
    QMessageBox::closeEvent(e);
}

// The boxes stand over the window without being modal to it: the window
// itself takes no clicks or keys while one is open (it knows its boxes),
// and it repaints, moves and resizes meanwhile.  A modal box would also make
// Qt drop the desktop's request to close the window, and the window must
// close (keeping the game) whatever is open.
namespace {
void show_box(QDialog* box) {
    box->setWindowModality(Qt::NonModal);
    box->setResult(0);
    box->show();
}
}  // namespace

QWidget* Dialogs::message(QWidget* parent, const QString& title, const QString& text,
                          std::function<void()> closed) {
    auto* box = new GameMessageBox(parent, title, text, false);
    QObject::connect(box, &QDialog::finished, box, [box, closed = std::move(closed)] {
        box->deleteLater();
        if (closed) closed();
    });
    show_box(box);
    return box;
}

QWidget* Dialogs::ask_yes_no(QWidget* parent, const QString& title, const QString& text,
                             std::function<void(bool yes)> answered) {
    auto* box = new GameMessageBox(parent, title, text, true);
    QObject::connect(box, &QDialog::finished, box, [box, answered = std::move(answered)] {
        box->deleteLater();
        if (answered) answered(box->answered_yes());
    });
    show_box(box);
    return box;
}

QWidget* Dialogs::about(QWidget* parent, std::function<void(bool home_page)> closed) {
    auto* box = new AboutBox(parent);
    QObject::connect(box, &QDialog::finished, box, [box, closed = std::move(closed)](int result) {
        box->deleteLater();
        if (closed) closed(result == AboutBox::HomePage);
    });
    show_box(box);
    return box;
}

}  // namespace rindou::qt

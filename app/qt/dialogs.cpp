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

void Dialogs::message(QWidget* parent, const QString& title, const QString& text) {
    GameMessageBox box(parent, title, text, false);
    box.exec();
}

bool Dialogs::ask_yes_no(QWidget* parent, const QString& title, const QString& text) {
    GameMessageBox box(parent, title, text, true);
    box.exec();
    return box.answered_yes();
}

bool Dialogs::about(QWidget* parent) {
    AboutBox box(parent);
    return box.exec() == AboutBox::HomePage;
}

}  // namespace rindou::qt

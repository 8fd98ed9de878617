// The help window: the help page shown in a browser of the program's own,
// so that help never depends on a desktop browser being installed, with a
// button that opens the same page in the desktop's browser for those who
// prefer it.
#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;
class QPushButton;
class QTextBrowser;

namespace rindou::qt {

class HelpWindow : public QDialog {
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the page at a file address; an empty address says that the page
    // was not found.  The window comes to the front.
    void show_page(const QUrl& page);

    QTextBrowser* browser() const { return browser_; }
    QPushButton* desktop_button() const { return desktop_; }
    QLabel* note() const { return note_; }
    // Opens a page in the desktop's browser; false when that failed.
    // Replaceable so that tests start no browser.
    std::function<bool(const QUrl&)> open_externally;

private:
    QTextBrowser* browser_;
    QPushButton* desktop_;
    QLabel* note_;
    QUrl page_;
};

}  // namespace rindou::qt

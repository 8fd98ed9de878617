// The help window: the help page shown in a browser of the program's own,
// so that help never depends on a desktop browser being installed, with a
// button that opens the same page in the desktop's browser for those who
// prefer it.
#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

#include <QString>
#include <QTextBrowser>

class QLabel;
class QPushButton;

namespace rindou::qt {

// The help page's browser.  A page can name any file (a picture at
// /dev/zero, a FIFO, a huge file), and one in the user's data folder is
// anyone's to write: the browser reads only regular files of the page's own
// folder (and the folders below it), each of a bounded size, and nothing
// else.
class HelpBrowser : public QTextBrowser {
public:
    explicit HelpBrowser(QWidget* parent = nullptr) : QTextBrowser(parent) {}
    // The folder the files of `page` may come from: the page's own.
    void set_page(const QUrl& page);
    // Whether an address (relative ones to the page shown) is a file the
    // browser may read.
    bool may_read(const QUrl& address) const;
    QVariant loadResource(int type, const QUrl& name) override;

private:
    QString folder_;  // canonical, with a closing slash; empty: nothing may be read
};

class HelpWindow : public QDialog {
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the page at a file address; an empty address says that the page
    // was not found.  The window comes to the front.
    void show_page(const QUrl& page);

    // The title and buttons in the language now chosen.
    void retranslate();

    HelpBrowser* browser() const { return browser_; }
    QPushButton* desktop_button() const { return desktop_; }
    QLabel* note() const { return note_; }
    // Opens a page in the desktop's browser; false when that failed.
    // Replaceable so that tests start no browser.
    std::function<bool(const QUrl&)> open_externally;

private:
    // A link of the page: a file of the page's folder is shown here, a web
    // address goes to the desktop's browser, anything else does nothing.
    void follow(const QUrl& link);

    HelpBrowser* browser_;
    QPushButton* desktop_;
    QPushButton* close_;
    QLabel* note_;
    QUrl page_;
};

}  // namespace rindou::qt

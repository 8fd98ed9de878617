#include "app/qt/help_window.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <string>
#include <system_error>

#include "app/qt/qt_texts.h"
#include "core/files.h"

namespace rindou::qt {

namespace {
// The page is some 50 KB and its pictures a few KB each.
constexpr size_t HELP_FILE_LIMIT = 4u * 1024u * 1024u;

bool is_local(const QUrl& url) {
    return url.scheme().isEmpty() ||
           url.scheme().compare(QStringLiteral("file"), Qt::CaseInsensitive) == 0;
}
}  // namespace

void HelpBrowser::set_page(const QUrl& page) {
    folder_.clear();
    if (!page.isLocalFile()) return;
    // The page's real folder: an installed or built page may be a link into
    // the folder that holds its pictures.
    QString folder = QFileInfo(page.toLocalFile()).canonicalPath();
    if (folder.isEmpty()) return;
    folder_ = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool HelpBrowser::may_read(const QUrl& address) const {
    if (folder_.isEmpty()) return false;
    const QUrl base = source();
    const QUrl url = address.isRelative() && !base.isEmpty() ? base.resolved(address) : address;
    if (!is_local(url) || !url.isLocalFile()) return false;
    // The real place, links followed: a link in the folder may point out of it.
    const QFileInfo info(url.toLocalFile());
    const QString real = info.canonicalFilePath();
    return !real.isEmpty() && real.startsWith(folder_) && info.isFile();
}

// Every kind of resource (the page, its pictures, a style sheet) is read
// the same way; the document makes a picture of the bytes itself.
QVariant HelpBrowser::loadResource(int, const QUrl& name) {
    // A refusal is an empty value, never a null one: the document would
    // otherwise read the file itself.
    const QVariant refused = QVariant(QByteArray());
    if (!may_read(name)) return refused;
    const QUrl base = source();
    const QUrl url = name.isRelative() && !base.isEmpty() ? base.resolved(name) : name;
    const std::string path = QFileInfo(url.toLocalFile()).canonicalFilePath().toStdString();
    // Opened once without waiting: a FIFO or device put there meanwhile is
    // refused, as is a file grown past the limit.
    std::string bytes;
    std::error_code error;
    if (!read_whole_file(path, bytes, error, HELP_FILE_LIMIT)) return refused;
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void HelpWindow::retranslate() {
    setWindowTitle(qtext(Text::HelpTitle));
    desktop_->setText(qtext(Text::HelpOpenInBrowser));
    close_->setText(qtext(Text::HelpClose));
    note_->clear();
}

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Help"));
    setWindowTitle(qtext(Text::HelpTitle));
    setModal(false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    browser_ = new HelpBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpPage"));
    // Links inside the page are followed here; links to web sites go to the
    // desktop's browser (see follow).
    browser_->setOpenLinks(false);
    browser_->setOpenExternalLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& link) { follow(link); });

    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("HelpNote"));
    desktop_ = new QPushButton(qtext(Text::HelpOpenInBrowser), this);
    desktop_->setObjectName(QStringLiteral("OpenInBrowser"));
    close_ = new QPushButton(qtext(Text::HelpClose), this);
    close_->setObjectName(QStringLiteral("CloseHelp"));
    auto* close = close_;

    open_externally = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    connect(desktop_, &QPushButton::clicked, this, [this] {
        // Qt reports success once a launcher has started, so a silent
        // failure is still possible: the page stays here either way.
        if (page_.isEmpty() || !open_externally(page_))
            note_->setText(qtext(Text::HelpBrowserFailed));
        else
            note_->clear();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(note_, 1);
    buttons->addWidget(desktop_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_, 1);
    layout->addLayout(buttons);
    resize(760, 620);
}

void HelpWindow::follow(const QUrl& link) {
    const QUrl url = browser_->source().resolved(link);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        open_externally(url);
        return;
    }
    // Other schemes (mailto:, smb:, a desktop's own handlers ...) are not
    // handed to the desktop from a page anyone may have written.
    if (scheme != QLatin1String("file") || !browser_->may_read(url)) return;
    browser_->setSource(url);
}

void HelpWindow::show_page(const QUrl& page) {
    page_ = page;
    note_->clear();
    if (page.isEmpty()) {
        browser_->clear();
        browser_->setPlainText(qtext(Text::HelpPageMissing));
        desktop_->setEnabled(false);
    } else {
        browser_->set_page(page);
        if (browser_->source() != page) browser_->setSource(page);
        desktop_->setEnabled(true);
    }
    show();
    raise();
    activateWindow();
}

}  // namespace rindou::qt

#include "app/qt/help_window.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace rindou::qt {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Help"));
    setWindowTitle(QStringLiteral("Rindou 解説"));
    setModal(false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpPage"));
    // Links inside the page are followed here; links to web sites go to the
    // desktop's browser.
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(true);

    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("HelpNote"));
    desktop_ = new QPushButton(QStringLiteral("ブラウザで開く"), this);
    desktop_->setObjectName(QStringLiteral("OpenInBrowser"));
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("CloseHelp"));

    open_externally = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    connect(desktop_, &QPushButton::clicked, this, [this] {
        // Qt reports success once a launcher has started, so a silent
        // failure is still possible: the page stays here either way.
        if (page_.isEmpty() || !open_externally(page_))
            note_->setText(QStringLiteral("ブラウザを開けませんでした"));
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

void HelpWindow::show_page(const QUrl& page) {
    page_ = page;
    note_->clear();
    if (page.isEmpty()) {
        browser_->clear();
        browser_->setPlainText(QStringLiteral("解説のページ（Rindou.htm）が見つかりません。"));
        desktop_->setEnabled(false);
    } else {
        if (browser_->source() != page) browser_->setSource(page);
        desktop_->setEnabled(true);
    }
    show();
    raise();
    activateWindow();
}

}  // namespace rindou::qt

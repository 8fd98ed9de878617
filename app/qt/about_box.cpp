#include "app/qt/about_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qt/canvas.h"
#include "app/qt/qt_texts.h"
#include "shell/data_files.h"

namespace rindou::qt {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(qtext(Text::AboutTitle));
    setModal(true);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    std::string path = find_data_file("pictures/ABOUT.png");
    QPixmap pixmap;
    if (!path.empty() && pixmap.convertFromImage(read_data_image(path))) {
        std::string large = find_data_file("pictures/ABOUT@2x.png");
        QPixmap sharp;
        if (!large.empty() && devicePixelRatioF() > 1.25 &&
            sharp.convertFromImage(read_data_image(large))) {
            sharp.setDevicePixelRatio(2.0);
            pixmap = sharp;
        }
        picture->setPixmap(pixmap);
    }
    picture->setAlignment(Qt::AlignCenter);

    auto* name = new QLabel(QStringLiteral("Rindou  Version 1.0"), this);
    name->setAlignment(Qt::AlignCenter);

    auto* home = new QPushButton(qtext(Text::AboutHomePage), this);
    home->setObjectName(QStringLiteral("HomePage"));
    auto* ok = new QPushButton(QStringLiteral("O K"), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(home, &QPushButton::clicked, this, [this] { done(HomePage); });
    connect(ok, &QPushButton::clicked, this, [this] { done(Closed); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(home);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(name);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

}  // namespace rindou::qt

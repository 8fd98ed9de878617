// The about box: the program's picture, a home page button and "O K".
#pragma once

#include <QDialog>

namespace rindou::qt {

class AboutBox : public QDialog {
public:
    // It finishes with HomePage when the home page button was pressed.
    enum Result { Closed = 0, HomePage = 2 };
    explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace rindou::qt

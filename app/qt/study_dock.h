// Studying a game beside the board (or below it, in a tall window): the
// move list, the line of the hint, the analysis's progress and its graph of
// the game.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "study/study.h"

class QBoxLayout;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace rindou::qt {

// The winning chances of every position from the first player's side, the
// marked moves in their colours; a click names the position under it.
class EvalGraph : public QWidget {
public:
    explicit EvalGraph(QWidget* parent);
    void set_points(std::vector<double> chances, std::vector<study::Mark> marks);
    void set_current(int position);
    const std::vector<double>& points() const { return chances_; }
    std::function<void(int position)> on_jump;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    std::vector<double> chances_;
    std::vector<study::Mark> marks_;  // marks_[k]: the move that led to position k
    int current_ = -1;
};

class StudyDock : public QWidget {
public:
    explicit StudyDock(QWidget* parent);
    // The lines of the list (line 0 the start), `current` the position on
    // the board; the analysis, when it is of this record, marks the moves.
    // A record made on a board shown turned round names its better moves
    // by the true squares.
    void show_lines(const std::vector<std::string>& lines, int current,
                    const study::GameAnalysis* analysis, bool turned = false);
    // The captions in the language now chosen.
    void retranslate();
    // Below the board the list stands beside the rest (a short, wide
    // place); beside the board, above it.
    void set_below(bool below);
    bool below() const { return below_; }

    QListWidget* moves;
    QLabel* hint;
    QLabel* summary;
    QProgressBar* progress;
    QPushButton* cancel;
    EvalGraph* graph;
    // The person chose a position of the list or the graph.
    std::function<void(int position)> on_jump;

private:
    bool showing_ = false;  // the list is being filled: no jump
    bool below_ = false;
    QBoxLayout* layout_ = nullptr;
};

}  // namespace rindou::qt

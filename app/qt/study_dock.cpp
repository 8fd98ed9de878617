#include "app/qt/study_dock.h"

#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/qt/qt_texts.h"
#include "record/notation.h"

namespace rindou::qt {

namespace {

Text mark_text(study::Mark m) {
    switch (m) {
        case study::Mark::Blunder: return Text::MarkBlunder;
        case study::Mark::Mistake: return Text::MarkMistake;
        default: return Text::MarkInaccuracy;
    }
}

QColor mark_colour(study::Mark m) {
    switch (m) {
        case study::Mark::Blunder: return QColor(200, 30, 30);
        case study::Mark::Mistake: return QColor(230, 120, 20);
        case study::Mark::Inaccuracy: return QColor(200, 180, 0);
        default: return QColor();
    }
}

}  // namespace

EvalGraph::EvalGraph(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("EvalGraph"));
    setMinimumHeight(110);
}

void EvalGraph::set_points(std::vector<double> chances, std::vector<study::Mark> marks) {
    chances_ = std::move(chances);
    marks_ = std::move(marks);
    update();
}

void EvalGraph::set_current(int position) {
    current_ = position;
    update();
}

void EvalGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(250, 250, 245));
    const double mid = height() / 2.0;
    p.setPen(QColor(180, 180, 180));
    p.drawLine(QPointF(0, mid), QPointF(width(), mid));
    if (chances_.size() < 2) return;
    const double step = static_cast<double>(width() - 1) / static_cast<double>(chances_.size() - 1);
    auto at = [&](size_t k) {
        return QPointF(step * static_cast<double>(k), mid - chances_[k] * (mid - 4));
    };
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    for (size_t k = 1; k < chances_.size(); ++k) p.drawLine(at(k - 1), at(k));
    for (size_t k = 1; k < chances_.size() && k < marks_.size(); ++k) {
        if (marks_[k] == study::Mark::None) continue;
        p.setBrush(mark_colour(marks_[k]));
        p.setPen(Qt::NoPen);
        p.drawEllipse(at(k), 3.5, 3.5);
    }
    if (current_ >= 0 && static_cast<size_t>(current_) < chances_.size()) {
        p.setPen(QColor(30, 90, 200));
        p.drawLine(QPointF(at(current_).x(), 0),
                   QPointF(at(current_).x(), height()));
    }
}

void EvalGraph::mousePressEvent(QMouseEvent* e) {
    if (chances_.size() < 2 || !on_jump) return;
    const double step = static_cast<double>(width() - 1) / static_cast<double>(chances_.size() - 1);
    const int k = static_cast<int>(std::lround(e->position().x() / step));
    on_jump(std::clamp(k, 0, static_cast<int>(chances_.size()) - 1));
}

StudyDock::StudyDock(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("StudyDock"));
    layout_ = new QBoxLayout(QBoxLayout::TopToBottom, this);
    layout_->setContentsMargins(4, 4, 4, 4);
    moves = new QListWidget(this);
    moves->setObjectName(QStringLiteral("MoveList"));
    auto* notes = new QWidget(this);
    auto* column = new QVBoxLayout(notes);
    column->setContentsMargins(0, 0, 0, 0);
    hint = new QLabel(notes);
    hint->setObjectName(QStringLiteral("HintLine"));
    hint->setWordWrap(true);
    summary = new QLabel(notes);
    summary->setObjectName(QStringLiteral("AnalysisSummary"));
    summary->setWordWrap(true);
    summary->setTextFormat(Qt::RichText);
    progress = new QProgressBar(notes);
    progress->setObjectName(QStringLiteral("AnalysisProgress"));
    cancel = new QPushButton(qtext(Text::AnalysisCancel), notes);
    cancel->setObjectName(QStringLiteral("AnalysisCancel"));
    graph = new EvalGraph(notes);
    column->addWidget(hint);
    column->addWidget(progress);
    column->addWidget(cancel);
    column->addWidget(summary);
    column->addWidget(graph, 1);
    layout_->addWidget(moves, 1);
    layout_->addWidget(notes);
    progress->hide();
    cancel->hide();
    // A click or the arrow keys in the list show that position.
    connect(moves, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!showing_ && row >= 0 && on_jump) on_jump(row);
    });
    graph->on_jump = [this](int position) {
        if (on_jump) on_jump(position);
    };
}

void StudyDock::retranslate() { cancel->setText(qtext(Text::AnalysisCancel)); }

void StudyDock::set_below(bool below) {
    if (below == below_) return;
    below_ = below;
    layout_->setDirection(below ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    // Side by side the two halves share the width; one above the other the
    // list takes the height the notes leave.
    layout_->setStretch(0, 1);
    layout_->setStretch(1, below ? 1 : 0);
}

void StudyDock::show_lines(const std::vector<std::string>& lines, int current,
                           const study::GameAnalysis* analysis, bool turned) {
    showing_ = true;
    if (moves->count() != static_cast<int>(lines.size())) {
        moves->clear();
        for (size_t i = 0; i < lines.size(); ++i) moves->addItem(QString());
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        QString line = QString::fromStdString(lines[i]);
        QString tip;
        if (analysis && i >= 1 && i <= analysis->moves.size()) {
            const study::MoveReview& r = analysis->moves[i - 1];
            if (r.mark != study::Mark::None) line += QStringLiteral("  ") + qtext(mark_text(r.mark));
            const std::string best =
                turned ? move_notation(10 - col_of(r.best.to()), 10 - row_of(r.best.to()), r.best_placed)
                       : r.best_notation;
            if (r.better) tip = qtext(Text::BetterMove, {{"move", best}});
        }
        QListWidgetItem* item = moves->item(static_cast<int>(i));
        item->setText(line);
        item->setToolTip(tip);
    }
    moves->setCurrentRow(std::clamp(current, 0, moves->count() - 1));
    graph->set_current(current);
    showing_ = false;
}

}  // namespace rindou::qt

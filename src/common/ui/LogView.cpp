#include "common/ui/LogView.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace {

constexpr int kTextMargin = 4;

} // namespace

TLogView::TLogView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    FLines.Build(FText);
}

void TLogView::SetText(QString text)
{
    FText = std::move(text);
    FLines.Build(FText);
    FCaret = FAnchor = 0;
    horizontalScrollBar()->setValue(0);
    UpdateScrollBars();
    viewport()->update();
    emit CaretMoved();
}

QString TLogView::SelectedText() const
{
    return FText.mid(SelectionStart(), SelectionEnd() - SelectionStart());
}

void TLogView::Select(qsizetype anchor, qsizetype caret)
{
    FAnchor = std::clamp<qsizetype>(anchor, 0, FText.size());
    FCaret = std::clamp<qsizetype>(caret, 0, FText.size());
    EnsureCaretVisible();
    viewport()->update();
    emit CaretMoved();
}

int TLogView::LineHeight() const
{
    return std::max(1, fontMetrics().lineSpacing());
}

qreal TLogView::CharWidth() const
{
    return std::max<qreal>(1.0, QFontMetricsF(font()).horizontalAdvance(u'M'));
}

qsizetype TLogView::FirstVisibleLine() const
{
    return verticalScrollBar()->value();
}

int TLogView::VisibleLineCount() const
{
    return std::max(1, viewport()->height() / LineHeight());
}

void TLogView::ScrollToLine(qsizetype line)
{
    verticalScrollBar()->setValue(int(std::min<qsizetype>(line, verticalScrollBar()->maximum())));
}

void TLogView::UpdateScrollBars()
{
    const int page = VisibleLineCount();
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, int(std::max<qsizetype>(0, FLines.Count() - page)));
    v->setPageStep(page);
    v->setSingleStep(1);
    const qreal textWidth = FLines.LongestLength() * CharWidth() + 2 * kTextMargin;
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, int(std::ceil(textWidth)) - viewport()->width()));
    h->setPageStep(viewport()->width());
    h->setSingleStep(int(CharWidth()));
}

void TLogView::EnsureCaretVisible()
{
    const qsizetype line = CaretLine();
    const qsizetype first = FirstVisibleLine();
    const int page = VisibleLineCount();
    if (line < first)
        ScrollToLine(line);
    else if (line >= first + page)
        ScrollToLine(line - page + 1);
    const int x = int(ColumnOf(FCaret) * CharWidth());
    QScrollBar* h = horizontalScrollBar();
    const int width = viewport()->width() - 2 * kTextMargin;
    if (x < h->value())
        h->setValue(x);
    else if (x > h->value() + width)
        h->setValue(x - width + int(CharWidth()));
}

qsizetype TLogView::PosOnLine(qsizetype line, qsizetype column) const
{
    line = std::clamp<qsizetype>(line, 0, FLines.Count() - 1);
    return FLines.Start(line) + std::clamp<qsizetype>(column, 0, FLines.Length(line));
}

qsizetype TLogView::PosAt(const QPoint& point) const
{
    const qsizetype line = FirstVisibleLine() + point.y() / LineHeight();
    const qreal x = point.x() - kTextMargin + horizontalScrollBar()->value();
    return PosOnLine(line, qsizetype(std::lround(std::max<qreal>(0, x) / CharWidth())));
}

void TLogView::MoveCaret(qsizetype pos, bool extend)
{
    Select(extend ? FAnchor : pos, pos);
}

void TLogView::PaintLine(QPainter& painter, qsizetype line, int y, qsizetype firstColumn,
                         qsizetype columns) const
{
    const qsizetype start = FLines.Start(line);
    const qsizetype length = FLines.Length(line);
    if (firstColumn >= length && !(HasSelection() && SelectionStart() <= start + length))
        return;
    const qreal cw = CharWidth();
    const qreal x0 = kTextMargin - horizontalScrollBar()->value();
    const qsizetype selFrom = std::clamp(SelectionStart() - start, qsizetype(0), length);
    const qsizetype selTo = std::clamp(SelectionEnd() - start, qsizetype(0), length);
    if (HasSelection() && selTo > selFrom)
        painter.fillRect(QRectF(x0 + selFrom * cw, y, (selTo - selFrom) * cw, LineHeight()),
                         palette().highlight());
    const qsizetype from = std::min(firstColumn, length);
    const qsizetype count = std::min(columns, length - from);
    if (count <= 0)
        return;
    // Three runs (before, inside and after the selection), each drawn in one call.
    const qsizetype cuts[] = {from, std::clamp(selFrom, from, from + count),
                              std::clamp(selTo, from, from + count), from + count};
    const int baseline = y + fontMetrics().ascent();
    for (int run = 0; run < 3; ++run) {
        if (cuts[run + 1] <= cuts[run])
            continue;
        QString piece = FText.mid(start + cuts[run], cuts[run + 1] - cuts[run]);
        piece.replace(u'\t', u' ');
        const bool selected = run == 1 && HasSelection();
        painter.setPen(selected ? palette().highlightedText().color() : palette().text().color());
        painter.drawText(QPointF(x0 + cuts[run] * cw, baseline), piece);
    }
}

void TLogView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(viewport());
    const int height = LineHeight();
    const qsizetype first = FirstVisibleLine();
    const qsizetype last = std::min(FLines.Count(), first + VisibleLineCount() + 1);
    const qsizetype firstColumn = qsizetype(horizontalScrollBar()->value() / CharWidth());
    const qsizetype columns = qsizetype(viewport()->width() / CharWidth()) + 2;
    for (qsizetype line = first; line < last; ++line)
        PaintLine(painter, line, int(line - first) * height, firstColumn, columns);
    if (hasFocus()) {
        const qsizetype caretLine = CaretLine();
        if (caretLine >= first && caretLine < last) {
            const qreal x =
                kTextMargin - horizontalScrollBar()->value() + ColumnOf(FCaret) * CharWidth();
            painter.fillRect(QRectF(x, int(caretLine - first) * height, 1, height),
                             palette().text());
        }
    }
}

void TLogView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TLogView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateScrollBars();
        viewport()->update();
    }
}

void TLogView::keyPressEvent(QKeyEvent* event)
{
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const qsizetype line = CaretLine();
    const qsizetype column = ColumnOf(FCaret);
    const int page = VisibleLineCount();
    if (event->matches(QKeySequence::Copy)) {
        if (HasSelection())
            QApplication::clipboard()->setText(SelectedText());
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        Select(0, FText.size());
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
        MoveCaret(PosOnLine(line - 1, column), extend);
        break;
    case Qt::Key_Down:
        MoveCaret(PosOnLine(line + 1, column), extend);
        break;
    case Qt::Key_PageUp:
        MoveCaret(PosOnLine(line - page, column), extend);
        break;
    case Qt::Key_PageDown:
        MoveCaret(PosOnLine(line + page, column), extend);
        break;
    case Qt::Key_Left:
        MoveCaret(std::max<qsizetype>(0, FCaret - 1), extend);
        break;
    case Qt::Key_Right:
        MoveCaret(std::min(FText.size(), FCaret + 1), extend);
        break;
    case Qt::Key_Home:
        MoveCaret(ctrl ? 0 : FLines.Start(line), extend);
        break;
    case Qt::Key_End:
        MoveCaret(ctrl ? FText.size() : FLines.Start(line) + FLines.Length(line), extend);
        break;
    case Qt::Key_Delete:
        if (HasSelection())
            emit DeleteRequested();
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
}

void TLogView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    MoveCaret(PosAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void TLogView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        MoveCaret(PosAt(event->position().toPoint()), true);
}

#pragma once

#include <QAbstractScrollArea>
#include <QString>

#include "common/ui/ShowMemoText.h"

// A read-only view of a long text: only the visible lines are laid out, so a text of tens of
// megabytes shows and scrolls at once. Characters sit in a fixed grid (the viewer offers
// fixed-pitch fonts only). Positions are offsets into the text.
class TLogView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TLogView(QWidget* parent = nullptr);

    void SetText(QString text);
    const QString& Text() const { return FText; }
    const TLineIndex& Lines() const { return FLines; }

    qsizetype CaretPos() const { return FCaret; }
    qsizetype SelectionStart() const { return std::min(FAnchor, FCaret); }
    qsizetype SelectionEnd() const { return std::max(FAnchor, FCaret); }
    bool HasSelection() const { return FAnchor != FCaret; }
    QString SelectedText() const;
    // Selects from anchor to caret (clamped to the text) and scrolls the caret into view.
    void Select(qsizetype anchor, qsizetype caret);
    void SetCaret(qsizetype pos) { Select(pos, pos); }
    qsizetype CaretLine() const { return FLines.LineOf(FCaret); }

    qsizetype FirstVisibleLine() const;
    int VisibleLineCount() const;
    // Scrolls so that the line is the first visible one (as far as the text allows).
    void ScrollToLine(qsizetype line);

signals:
    void CaretMoved();
    void DeleteRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateScrollBars();
    void EnsureCaretVisible();
    qsizetype PosAt(const QPoint& point) const;
    qsizetype PosOnLine(qsizetype line, qsizetype column) const;
    qsizetype ColumnOf(qsizetype pos) const { return pos - FLines.Start(FLines.LineOf(pos)); }
    void MoveCaret(qsizetype pos, bool extend);
    int LineHeight() const;
    qreal CharWidth() const;
    void PaintLine(QPainter& painter, qsizetype line, int y, qsizetype firstColumn,
                   qsizetype columns) const;

    QString FText;
    TLineIndex FLines;
    qsizetype FCaret = 0;
    qsizetype FAnchor = 0;
};

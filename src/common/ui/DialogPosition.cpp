#include "common/ui/DialogPosition.h"

#include <algorithm>

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace {

QPointer<QWidget>& MainWindowValue()
{
    static QPointer<QWidget> window;
    return window;
}

QScreen* ScreenAt(const QPoint& point, QScreen* fallback)
{
    if (QScreen* s = QGuiApplication::screenAt(point))
        return s;
    return fallback ? fallback : QGuiApplication::primaryScreen();
}

// Pixels at 96 dots per inch, scaled to the monitor.
int Scaled(int pixels, const QScreen* screen)
{
    const qreal dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return qRound(pixels * dpi / 96.0);
}

QRect CentredIn(const QRect& area, const QSize& size)
{
    QRect r(QPoint(), size);
    r.moveCenter(area.center());
    return r;
}

} // namespace

void SetDialogMainWindow(QWidget* window)
{
    MainWindowValue() = window;
}

QWidget* DialogMainWindow()
{
    if (QWidget* w = MainWindowValue())
        return w;
    return QApplication::activeWindow();
}

QPoint KeepInWorkArea(const QRect& frame, const QRect& workArea, const QMargins& margins)
{
    const QRect inner = workArea.marginsRemoved(margins);
    int x = frame.x(), y = frame.y();
    if (x + frame.width() > inner.right() + 1)
        x = inner.right() + 1 - frame.width();
    if (y + frame.height() > inner.bottom() + 1)
        y = inner.bottom() + 1 - frame.height();
    // Left and top win over right and bottom when the frame is larger than the area.
    x = std::max(x, inner.left());
    y = std::max(y, inner.top());
    return {x, y};
}

void PlaceDialog(QWidget& dialog, const QPoint& pos, QScreen* monitor)
{
    const QSize size = dialog.frameGeometry().size().expandedTo(dialog.sizeHint());
    if (pos == kCentreOnMainWindow || pos == kCentreOnScreen) {
        QWidget* main = pos == kCentreOnMainWindow ? DialogMainWindow() : nullptr;
        QScreen* screen = monitor ? monitor : QGuiApplication::primaryScreen();
        const QRect area = main && main != &dialog ? main->frameGeometry()
                           : screen                ? screen->availableGeometry()
                                                   : QRect(QPoint(), size);
        dialog.move(CentredIn(area, size).topLeft());
        KeepOnScreen(dialog);
        return;
    }
    const QPoint own = dialog.pos();
    const QPoint corner(pos.x() < 0 ? own.x() : pos.x(), pos.y() < 0 ? own.y() : pos.y());
    QScreen* screen = ScreenAt(corner, monitor);
    if (!screen) {
        dialog.move(corner);
        return;
    }
    const QMargins margins(Scaled(20, screen), Scaled(20, screen), Scaled(20, screen),
                           Scaled(30, screen));
    dialog.move(KeepInWorkArea(QRect(corner, size), screen->availableGeometry(), margins));
}

void KeepOnScreen(QWidget& dialog)
{
    const QRect frame = dialog.frameGeometry();
    QScreen* screen = ScreenAt(frame.center(), dialog.screen());
    if (screen)
        dialog.move(KeepInWorkArea(frame, screen->availableGeometry(), QMargins()));
}

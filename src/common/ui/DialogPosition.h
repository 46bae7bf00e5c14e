#pragma once

#include <QPoint>
#include <QRect>

class QScreen;
class QWidget;

// The main window that dialogs centre on; nullptr: the active window.
void SetDialogMainWindow(QWidget* window);
QWidget* DialogMainWindow();

// Position that centres on the main window.
inline constexpr QPoint kCentreOnMainWindow{-1, -1};
// Position that centres on the screen.
inline constexpr QPoint kCentreOnScreen{-1, 0};

// Top-left corner for a frame of the given geometry moved back into the work area so that it
// keeps the margins (left, top, right, bottom) from its edges.
QPoint KeepInWorkArea(const QRect& frame, const QRect& workArea, const QMargins& margins);
// Places the dialog by the position rule: (-1, -1) centres it on the main window, (-1, 0) on
// the screen (monitor, or the primary one); any other position puts its top-left corner there
// (a negative coordinate keeps the dialog's own) and keeps it 20 pixels from the left, right
// and top and 30 from the bottom of the nearest monitor's work area.
void PlaceDialog(QWidget& dialog, const QPoint& pos, QScreen* monitor = nullptr);
// Moves the dialog fully onto its monitor's work area.
void KeepOnScreen(QWidget& dialog);

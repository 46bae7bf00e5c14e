#pragma once

#include <QString>

class QWidget;

// Opens the help page; a page that cannot be shown is told in an error box.
void OpenHelpPage(const QString& page);
// The hint of a control; for a field without one, the text of the label that names it.
QString HintOrLabel(const QWidget* control);
// F1 in the window opens its help page, F11 shows the focused control's hint (HintOrLabel) in
// a self-closing hint box.
void InstallPlanerKeys(QWidget* window, const char* helpPage);

#pragma once

class QWidget;
class QString;

// The hint of a control: its empty-field hint when it is an edit field that has one, else its
// tool tip.
QString ControlHint(const QWidget* control);
// F11 in the window shows the hint of the focused control in a self-closing hint box.
void InstallHintKey(QWidget* window);

#pragma once

#include <QString>

class QDialog;
class QDialogButtonBox;
class QPushButton;

struct TOkCancel {
    QDialogButtonBox* box;
    QPushButton* ok;     // "btOk", the default button; accepts the dialog
    QPushButton* cancel; // "btCancel"; rejects it
};

// The OK and Cancel buttons of a dialog, with the given captions.
TOkCancel AddOkCancel(QDialog* dialog, const QString& okCaption, const QString& cancelCaption);

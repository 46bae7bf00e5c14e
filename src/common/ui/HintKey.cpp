#include "common/ui/HintKey.h"

#include <QComboBox>
#include <QLineEdit>
#include <QShortcut>

#include "common/ui/ShowMessageDlg.h"

QString ControlHint(const QWidget* control)
{
    if (!control)
        return QString();
    const auto* edit = qobject_cast<const QLineEdit*>(control);
    if (const auto* combo = qobject_cast<const QComboBox*>(control->parentWidget()); combo && edit)
        control = combo; // the edit field of a combo box carries the combo box's hint
    if (edit && !edit->placeholderText().isEmpty())
        return edit->placeholderText();
    return control->toolTip();
}

void InstallHintKey(QWidget* window)
{
    auto* key = new QShortcut(QKeySequence(Qt::Key_F11), window);
    QObject::connect(key, &QShortcut::activated, window,
                     [window] { TypedMessage(ControlHint(window->focusWidget()), mdtCustom); });
}

#include "planner/ui/PlanerHelp.h"

#include <QLabel>
#include <QShortcut>

#include "common/ui/HelpPage.h"
#include "common/ui/HintKey.h"
#include "common/ui/ShowMessageDlg.h"

void OpenHelpPage(const QString& page)
{
    const QString error = ShowHelpPage(page);
    if (!error.isEmpty())
        ErrorMessage(error);
}

QString HintOrLabel(const QWidget* control)
{
    const QString hint = ControlHint(control);
    if (!hint.isEmpty() || !control)
        return hint;
    for (const QLabel* label : control->window()->findChildren<QLabel*>())
        if (label->buddy() == control)
            return label->text().remove(u'&');
    return QString();
}

void InstallPlanerKeys(QWidget* window, const char* helpPage)
{
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), window);
    const QString page = QString::fromLatin1(helpPage);
    QObject::connect(help, &QShortcut::activated, window, [page] { OpenHelpPage(page); });
    auto* hint = new QShortcut(QKeySequence(Qt::Key_F11), window);
    QObject::connect(hint, &QShortcut::activated, window,
                     [window] { TypedMessage(HintOrLabel(window->focusWidget()), mdtCustom); });
}

#include "planner/ui/PlanerWindow.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

#include "common/infra/IniFileUtils.h"
#include "common/infra/SettingsFolder.h"
#include "planner/ScheduleRun.h"
#include "planner/ui/HauptForm.h"

namespace {

// The desktop's own colours are dark.
bool DesktopIsDark()
{
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness() <
           palette.color(QPalette::WindowText).lightness();
}

QPalette DarkPalette()
{
    const QColor window(45, 45, 48);
    const QColor base(30, 30, 30);
    const QColor text(220, 220, 220);
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(38, 79, 120));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(120, 180, 255));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(120, 120, 120));
    return p;
}

// With "dark" on the command line, or when the backup program's settings ask to follow the
// desktop and the desktop is dark.
void ApplyColourScheme(bool useDarkMode)
{
    const bool follow = ReadIniBool(SettingsFolder() + QStringLiteral("Kelvara.cfg"),
                                    QStringLiteral("Config"), QStringLiteral("DarkMode"), false);
    if (!useDarkMode && !(follow && DesktopIsDark()))
        return;
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(DarkPalette());
}

} // namespace

int RunMainWindow(TPlanerWindowContext& context)
{
    ApplyColourScheme(context.Run->UseDarkMode);
    THauptForm form(*context.Run, *context.Clock, *context.Launcher);
    form.show();
    return QApplication::exec();
}

// The window module's hook (see common/ui/AppStartEntry.cpp).
int RunProgramMainWindow(void* context)
{
    return RunMainWindow(*static_cast<TPlanerWindowContext*>(context));
}

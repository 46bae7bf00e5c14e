#include "common/ui/AppStartWindows.h"

#include <QApplication>

#include "common/ui/DialogPosition.h"
#include "common/ui/DialogReporter.h"
#include "common/ui/PwdDlg.h"
#include "common/ui/SelectDlg.h"

std::unique_ptr<QCoreApplication> TAppStartWindows::CreateApplication(int& argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                                       ? "xcb;offscreen"
                                       : "wayland;xcb;offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

bool TAppStartWindows::ShowsWindows() const
{
    const QString platform = QGuiApplication::platformName();
    return qobject_cast<QApplication*>(QCoreApplication::instance()) &&
           platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

std::unique_ptr<Reporter> TAppStartWindows::CreateReporter()
{
    return std::make_unique<TDialogReporter>();
}

std::optional<QString> TAppStartWindows::InputPassword(const QString& title, const QString& prompt)
{
    QString password;
    if (!::InputPassword(kCentreOnMainWindow, title, prompt, password))
        return std::nullopt;
    return password;
}

int TAppStartWindows::SelectAction(const QString& caption, const QStringList& buttons,
                                   const QString& option)
{
    return SelectButton(QStringLiteral("Kelvara"), caption, siQuestion, QString(), -1, 200, option,
                        buttons, true);
}

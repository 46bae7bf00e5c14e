#include "common/ui/AppStart.h"

#include <QApplication>

#include "common/infra/Session.h"
#include "common/infra/SettingsFolder.h"
#include "common/infra/Translation.h"

std::unique_ptr<QCoreApplication> CreateApplication(int& argc, char** argv)
{
    if (!HasGraphicalSession())
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                                       ? "xcb;offscreen"
                                       : "wayland;xcb;offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

bool ShowsWindows()
{
    const QString platform = QGuiApplication::platformName();
    return qobject_cast<QApplication*>(QCoreApplication::instance()) &&
           platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void InitProgramTranslation(const QStringList& extraDomains)
{
    InitTranslation(SettingsFolder(), QStringLiteral("Kelvara.cfg"), extraDomains);
}

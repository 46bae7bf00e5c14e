#include "common/ui/AppStart.h"

#include <QFileInfo>
#include <QLibrary>

#include "common/infra/ProgramPath.h"
#include "common/infra/Reporter.h"
#include "common/infra/Session.h"
#include "common/infra/SettingsFolder.h"
#include "common/infra/Translate.h"
#include "common/infra/Translation.h"

namespace {

TLoadedWindows Failed(const QString& file, const char* failure, const QString& detail = {})
{
    return {nullptr, file, failure, detail};
}

} // namespace

TLoadedWindows LoadWindowModule(const QString& fileName)
{
    if (!QFileInfo(fileName).isFile())
        return Failed(fileName, TrNoop("The window module %s is missing."));
    // Destroying the handle leaves the module loaded: its code runs until the program ends.
    QLibrary library(fileName);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load())
        return Failed(fileName, TrNoop("The window module %s cannot be loaded: %s"),
                      library.errorString());
    const auto entry = reinterpret_cast<TWindowModuleEntry>(library.resolve(kWindowModuleEntry));
    if (!entry)
        return Failed(fileName, TrNoop("%s is not a window module of this program."));
    TWindowModule* windows = entry(KV_VERSION_STRING);
    if (!windows)
        return Failed(fileName, TrNoop("The window module %s belongs to another version of "
                                       "this program."));
    return {windows, fileName, nullptr, {}};
}

QString LoadFailureText(const TLoadedWindows& loaded)
{
    if (!loaded.Failure)
        return {};
    return Fmt(Tr(loaded.Failure), {loaded.File, loaded.Detail});
}

QString WindowModulePath(const QString& moduleName)
{
#ifdef Q_OS_WIN
    return ProgramFolder() + moduleName + QStringLiteral(".dll");
#else
    return ProgramFolder() + moduleName + QStringLiteral(".so");
#endif
}

TProgramStart StartProgram(int& argc, char** argv, const QString& moduleName)
{
    TProgramStart start;
    if (HasGraphicalSession()) {
        start.Module = LoadWindowModule(WindowModulePath(moduleName));
        if (start.Module.Windows) {
            start.App = start.Module.Windows->CreateApplication(argc, argv);
            return start;
        }
    }
    start.App = std::make_unique<QCoreApplication>(argc, argv);
    return start;
}

bool ShowsWindows(const TProgramStart& start)
{
    return start.Module.Windows && start.Module.Windows->ShowsWindows();
}

bool ReportStartFailure(const TProgramStart& start)
{
    const QString text = LoadFailureText(start.Module);
    if (text.isEmpty())
        return false;
    StdErrReporter().Error(text, 0);
    return true;
}

void InitProgramTranslation(const QStringList& extraDomains)
{
    InitTranslation(SettingsFolder(), QStringLiteral("Kelvara.cfg"), extraDomains);
}

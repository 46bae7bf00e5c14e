#include "common/ui/AppStart.h"

#include <cstring>

#include <QFileInfo>
#include <QLibrary>

#include "common/infra/ProgramPath.h"
#include "common/infra/Reporter.h"
#include "common/infra/Session.h"
#include "common/infra/SettingsFolder.h"
#include "common/infra/Translate.h"
#include "common/infra/Translation.h"

namespace {

TLoadedModule Failed(const QString& file, const char* failure, const QString& detail = {})
{
    return {nullptr, file, failure, detail};
}

} // namespace

TLoadedModule LoadProgramModule(const QString& fileName, const char* entryName)
{
    if (!QFileInfo(fileName).isFile())
        return Failed(fileName, TrNoop("The module %s is missing."));
    // Destroying the handle leaves the module loaded: its code runs until the program ends.
    QLibrary library(fileName);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load())
        return Failed(fileName, TrNoop("The module %s cannot be loaded: %s"),
                      library.errorString());
    const auto entry = reinterpret_cast<TModuleEntry>(library.resolve(entryName));
    if (!entry)
        return Failed(fileName, TrNoop("%s is not a module of this program."));
    void* object = entry(KV_VERSION_STRING);
    if (!object)
        return Failed(fileName, TrNoop("The module %s belongs to another version of this "
                                       "program."));
    return {object, fileName, nullptr, {}};
}

QString LoadFailureText(const TLoadedModule& loaded)
{
    if (!loaded.Failure)
        return {};
    return Fmt(Tr(loaded.Failure), {loaded.File, loaded.Detail});
}

QString ProgramModulePath(const QString& moduleName)
{
#ifdef Q_OS_WIN
    return ProgramFolder() + moduleName + QStringLiteral(".dll");
#else
    return ProgramFolder() + moduleName + QStringLiteral(".so");
#endif
}

bool IsCheckCommand(int argc, char** argv)
{
    return argc > 1 && std::strcmp(argv[1], kCheckOption) == 0;
}

TProgramStart StartProgram(int& argc, char** argv, const QString& moduleName)
{
    TProgramStart start;
    if (HasGraphicalSession() && !IsCheckCommand(argc, argv)) {
        start.Module = LoadProgramModule(ProgramModulePath(moduleName), kWindowModuleEntry);
        start.Windows = static_cast<TWindowModule*>(start.Module.Object);
        if (start.Windows) {
            start.App = start.Windows->CreateApplication(argc, argv);
            return start;
        }
    }
    start.App = std::make_unique<QCoreApplication>(argc, argv);
    return start;
}

bool ShowsWindows(const TProgramStart& start)
{
    return start.Windows && start.Windows->ShowsWindows();
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

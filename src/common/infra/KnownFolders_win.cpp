#include "common/infra/KnownFolders.h"

#include "common/platform/WinFolders_win.h"

namespace {

TWinFolder WinFolder(TKnownFolder folder)
{
    switch (folder) {
    case TKnownFolder::LocalAppData:
        return TWinFolder::LocalAppData;
    case TKnownFolder::Documents:
        return TWinFolder::Documents;
    case TKnownFolder::Desktop:
        return TWinFolder::Desktop;
    case TKnownFolder::ProgramFiles:
        return TWinFolder::ProgramFiles;
    case TKnownFolder::RoamingAppData:
        break;
    }
    return TWinFolder::RoamingAppData;
}

} // namespace

QString GetKnownFolder(TKnownFolder folder)
{
    return QString::fromStdString(KnownFolderPath(WinFolder(folder)));
}

#include "common/ui/HelpPage.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "common/backup/KvUtils.h"
#include "common/infra/Translate.h"

QString ShowHelpPage(const QString& page)
{
    const QString path = HelpPagePath(page);
    if (QFileInfo(path).isFile() && QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return QString();
    return Tr("Help is not available on this system!");
}

// Sets up translation before the application object exists, as the programs' main() does,
// and prints a translated text once the application object is there.
#include <cstdio>

#include <QCoreApplication>

#include "common/infra/Translate.h"
#include "common/infra/Translation.h"

int main(int argc, char** argv)
{
    InitTranslation(QStringLiteral("/nonexistent/"), QStringLiteral("Kelvara.cfg"), {});
    BindDomain(kDefaultDomain, QStringLiteral(KV_BINARY_DIR "/share/kelvara6/locale"));
    QCoreApplication app(argc, argv);
    std::printf("%s\n", qPrintable(CurrentLanguage() + u':' + Tr("The file is too large.")));
    return 0;
}

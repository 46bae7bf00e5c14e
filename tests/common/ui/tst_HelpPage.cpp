#include <QTest>

#include "common/ui/HelpPage.h"

class tst_HelpPage : public QObject {
    Q_OBJECT

private slots:
    void missingHelp()
    {
        QCOMPARE(ShowHelpPage("no-such-page.html"),
                 QString("Help is not available on this system!"));
    }
};

QTEST_MAIN(tst_HelpPage)
#include "tst_HelpPage.moc"

#include <QTest>

#include "common/infra/Translate.h"

class tst_Translate : public QObject {
    Q_OBJECT

private slots:
    void fmt_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("expected");
        QTest::newRow("in order") << "Error writing to \"%s\"" << QStringList{"a.ini"}
                                  << "Error writing to \"a.ini\"";
        QTest::newRow("mixed") << "%d of %u: %s" << QStringList{"1", "2", "x"} << "1 of 2: x";
        QTest::newRow("indexed") << "%1:s before %0:s" << QStringList{"a", "b"} << "b before a";
        QTest::newRow("percent") << "100%% %s" << QStringList{"done"} << "100% done";
        QTest::newRow("missing value") << "%s and %s" << QStringList{"one"} << "one and ";
        QTest::newRow("lone percent at end") << "50%" << QStringList{} << "50%";
        QTest::newRow("unknown") << "%x %5" << QStringList{} << "%x %5";
    }
    void fmt()
    {
        QFETCH(QString, format);
        QFETCH(QStringList, values);
        QFETCH(QString, expected);
        QString out;
        switch (values.size()) {
        case 0:
            out = Fmt(format, {});
            break;
        case 1:
            out = Fmt(format, {values[0]});
            break;
        case 2:
            out = Fmt(format, {values[0], values[1]});
            break;
        default:
            out = Fmt(format, {values[0], values[1], values[2]});
            break;
        }
        QCOMPARE(out, expected);
    }
    void untranslatedTextStaysEnglish()
    {
        QCOMPARE(Tr("Unexpected error"), QString("Unexpected error"));
        QCOMPARE(TrResource("Unexpected error"), QString("Unexpected error"));
    }
};

QTEST_GUILESS_MAIN(tst_Translate)
#include "tst_Translate.moc"

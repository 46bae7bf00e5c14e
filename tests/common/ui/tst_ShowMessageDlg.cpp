#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "common/ui/DialogReporter.h"
#include "common/ui/ShowMessageDlg.h"

Q_DECLARE_METATYPE(TMsgDialogType)
Q_DECLARE_METATYPE(TMsgDlgBtn)

namespace {

// What a box shows, read through the answer hook.
struct Seen {
    QString title, message, buttons, defaultButton;
    bool timer = false;
    int interval = 0;
};

QString ButtonText(const QPushButton* b)
{
    return b->isVisibleTo(b->window()) ? b->text() : QString();
}

Seen Look(TShowMsgDialog& d)
{
    Seen s;
    s.title = d.windowTitle();
    s.message = d.findChild<QLabel*>("stMessage")->text();
    QStringList captions;
    for (const char* name : {"btLeft", "btCenter", "btClose"}) {
        const auto* b = d.findChild<QPushButton*>(name);
        if (!ButtonText(b).isEmpty()) {
            captions << b->text();
            if (b->isDefault())
                s.defaultButton = b->text();
        }
    }
    s.buttons = captions.join(',');
    s.timer = d.RunTimer();
    s.interval = d.TimerInterval();
    return s;
}

// Presses a key in the box that is open by then.
void PressLater(int key, int ms = 150)
{
    QTimer::singleShot(ms, [key] {
        QWidget* box = QApplication::activeModalWidget();
        if (box)
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key(key));
    });
}

} // namespace

class tst_ShowMessageDlg : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetMessageAnswerHook({}); }

    void emptyMessageShowsNothing()
    {
        bool shown = false;
        SetMessageAnswerHook([&](TShowMsgDialog&) {
            shown = true;
            return 1;
        });
        QCOMPARE(InfoMessage(QString(), 5), 0);
        QVERIFY(!shown);
    }

    void typesTitlesAndButtons_data()
    {
        QTest::addColumn<TMsgDialogType>("type");
        QTest::addColumn<TMsgDlgBtn>("def");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QString>("defaultButton");
        QTest::newRow("information, own title") << mdtInformation << mbYes << "Backup|Started now."
                                                << "Backup"
                                                << "&Close"
                                                << "&Close";
        QTest::newRow("information") << mdtInformation << mbYes << "Started now."
                                     << "Information"
                                     << "&Close"
                                     << "&Close";
        QTest::newRow("warning") << mdtWarning << mbYes << "w"
                                 << "Warning"
                                 << "&Close"
                                 << "&Close";
        QTest::newRow("error") << mdtError << mbCancel << "e"
                               << "Error"
                               << "&Close"
                               << "&Close";
        QTest::newRow("confirm, Yes") << mdtConfirm << mbYes << "q"
                                      << "Confirm"
                                      << "&Yes,&No"
                                      << "&Yes";
        QTest::newRow("confirm, No") << mdtConfirm << mbNo << "q"
                                     << "Confirm"
                                     << "&Yes,&No"
                                     << "&No";
        QTest::newRow("confirm error") << mdtConfirmError << mbYes << "q"
                                       << "Error"
                                       << "&Yes,Cancel"
                                       << "&Yes";
        QTest::newRow("retry") << mdtConfirmRetry << mbRetry << "q"
                               << "Error"
                               << "&Retry,Cancel"
                               << "&Retry";
        QTest::newRow("retry, no default") << mdtConfirmRetry << mbYes << "q"
                                           << "Error"
                                           << "&Retry,Cancel"
                                           << "";
        QTest::newRow("confirm cancel") << mdtConfirmCancel << mbYes << "q"
                                        << "Confirm"
                                        << "&Yes,Cancel"
                                        << "&Yes";
        QTest::newRow("yes no cancel") << mdtConfirmYesNo << mbNo << "q"
                                       << "Confirm"
                                       << "&Yes,&No,Cancel"
                                       << "&No";
        QTest::newRow("hint box") << mdtCustom << mbYes << "Tip"
                                  << ""
                                  << ""
                                  << "";
    }
    void typesTitlesAndButtons()
    {
        QFETCH(TMsgDialogType, type);
        QFETCH(TMsgDlgBtn, def);
        QFETCH(QString, hint);
        QFETCH(QString, title);
        QFETCH(QString, buttons);
        QFETCH(QString, defaultButton);
        Seen seen;
        SetMessageAnswerHook([&](TShowMsgDialog& d) {
            seen = Look(d);
            return 99;
        });
        QCOMPARE(MessageDialog(kCentreOnMainWindow, hint, 0, type, def), 99);
        QCOMPARE(seen.title, title);
        QCOMPARE(seen.buttons, buttons);
        QCOMPARE(seen.defaultButton, defaultButton);
        QCOMPARE(seen.message, SplitHintMessage(hint));
    }

    void timerRule()
    {
        Seen seen;
        SetMessageAnswerHook([&](TShowMsgDialog& d) {
            seen = Look(d);
            return 2;
        });
        TypedMessage(QString(50, u'x'), mdtCustom);
        QVERIFY(seen.timer);
        QCOMPARE(seen.interval, 8000);
        InfoMessage("a", 5);
        QVERIFY(seen.timer);
        QCOMPARE(seen.interval, 5000);
        ErrorMessage("a", 0);
        QVERIFY(!seen.timer);
    }

    // Markup in a message (a file name, say) is shown as it stands.
    void messageIsPlainText()
    {
        Seen seen;
        Qt::TextFormat format = Qt::RichText;
        SetMessageAnswerHook([&](TShowMsgDialog& d) {
            seen = Look(d);
            format = d.findChild<QLabel*>("stMessage")->textFormat();
            return 2;
        });
        InfoMessage("Task: <b>x</b>\r\nnext", 0);
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(seen.message, QString("Task: <b>x</b>\nnext"));
    }

    // The delay itself is checked by timerRule; a box that never closed would hang here.
    void selfClosingBoxEndsWithCancel()
    {
        QCOMPARE(InfoMessage("Closes by itself", 1), int(mrCancel));
    }

    void anyKeyClosesASelfClosingBox()
    {
        PressLater(Qt::Key_A);
        QCOMPARE(InfoMessage("Closes on a key", 300), int(mrCancel));
    }

    // A run's messages are plain text: a bar in a schedule name or path is no title.
    void reporterMessagesKeepTheirBars()
    {
        QList<Seen> seen;
        SetMessageAnswerHook([&](TShowMsgDialog& d) {
            seen.append(Look(d));
            return int(mrNo);
        });
        TDialogReporter reporter;
        reporter.Error("Schedule \"Night|ly\" not found!", 0);
        reporter.Information("Backup task: /data/a|b.buj", 5);
        QVERIFY(!reporter.Confirm("Schedule: x|y\r\nRun again?"));
        QCOMPARE(seen.size(), 3);
        QCOMPARE(seen[0].title, QString("Error"));
        QCOMPARE(seen[0].message, QString("Schedule \"Night|ly\" not found!"));
        QCOMPARE(seen[1].title, QString("Information"));
        QCOMPARE(seen[1].message, QString("Backup task: /data/a|b.buj"));
        QCOMPARE(seen[2].message, QString("Schedule: x|y\nRun again?"));
    }

    void keysAnswerQuestions_data()
    {
        QTest::addColumn<TMsgDialogType>("type");
        QTest::addColumn<TMsgDlgBtn>("def");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("enter, default Yes") << mdtConfirm << mbYes << int(Qt::Key_Return) << 6;
        QTest::newRow("enter, default No") << mdtConfirm << mbNo << int(Qt::Key_Return) << 7;
        QTest::newRow("escape answers No") << mdtConfirm << mbYes << int(Qt::Key_Escape) << 7;
        QTest::newRow("F11 cancels") << mdtConfirm << mbYes << int(Qt::Key_F11) << 2;
        QTest::newRow("escape, three buttons")
            << mdtConfirmYesNo << mbYes << int(Qt::Key_Escape) << 2;
        QTest::newRow("escape closes information")
            << mdtInformation << mbYes << int(Qt::Key_Escape) << 2;
    }
    void keysAnswerQuestions()
    {
        QFETCH(TMsgDialogType, type);
        QFETCH(TMsgDlgBtn, def);
        QFETCH(int, key);
        QFETCH(int, result);
        PressLater(key);
        QCOMPARE(MessageDialog(kCentreOnMainWindow, "Go on?", 0, type, def), result);
    }

    void helpersTellTheirAnswer()
    {
        PressLater(Qt::Key_F11);
        QVERIFY(!ConfirmMessage("Run again?"));
        PressLater(Qt::Key_Return);
        QVERIFY(ConfirmMessage("Run again?"));
        QTimer::singleShot(150, [] {
            QApplication::activeModalWidget()->findChild<QPushButton*>("btCenter")->click();
        });
        QVERIFY(RetryMessage("Try again?"));
    }

    void keepInWorkArea_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("inside") << QRect(100, 100, 200, 100) << QPoint(100, 100);
        QTest::newRow("beyond right") << QRect(700, 100, 200, 100) << QPoint(580, 100);
        QTest::newRow("beyond bottom") << QRect(100, 550, 200, 100) << QPoint(100, 470);
        QTest::newRow("before left and top") << QRect(5, 0, 200, 100) << QPoint(20, 20);
        QTest::newRow("larger than the area") << QRect(0, 0, 900, 700) << QPoint(20, 20);
    }
    void keepInWorkArea()
    {
        QFETCH(QRect, frame);
        QFETCH(QPoint, expected);
        QCOMPARE(KeepInWorkArea(frame, QRect(0, 0, 800, 600), QMargins(20, 20, 20, 30)), expected);
    }

    void placedBoxStaysInsideTheScreen()
    {
        QPoint at;
        QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        SetMessageAnswerHook([&](TShowMsgDialog& d) {
            at = d.pos();
            return 2;
        });
        InfoMessageAt(QPoint(area.right() + 500, 40), "Far right");
        QVERIFY(at.x() < area.right());
        QCOMPARE(at.y(), 40);
    }

private:
    static QString SplitHintMessage(const QString& hint)
    {
        const qsizetype bar = hint.indexOf('|');
        return bar < 0 ? hint : hint.mid(bar + 1);
    }
};

QTEST_MAIN(tst_ShowMessageDlg)
#include "tst_ShowMessageDlg.moc"

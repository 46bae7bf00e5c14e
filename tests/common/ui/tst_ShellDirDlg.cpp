#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "common/ui/SelectDlg.h"
#include "common/ui/ShellDirDlg.h"
#include "common/ui/ShowMessageDlg.h"
#include "support/AccessibleNames.h"
#include "support/MessageRecorder.h"

namespace {

bool WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

class tst_ShellDirDlg : public QObject {
    Q_OBJECT

    QTemporaryDir FHome;

    QString Home(const QString& relative) const { return FHome.filePath(relative); }

    // Runs the dialog on Dir with the check in the hook; gives whether OK was pressed.
    bool Run(QString& dir, const std::function<void(TShellDirDialog&)>& check,
             const QString& home = QString())
    {
        SetShellDirAnswerHook(check);
        return SelectFolder("Select log directory", true, true, dir, home);
    }

private slots:
    void initTestCase()
    {
        // The documents folder of this test's own home.
        qputenv("HOME", FHome.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", Home(".config").toUtf8());
        QVERIFY(QDir().mkpath(Home("Documents")));
        QVERIFY(QDir().mkpath(Home("data/logs/old")));
        // Network shares are mounted below the runtime folder's "gvfs".
        QVERIFY(QDir().mkpath(Home("run/gvfs/smb-share:server=nas,share=backup")));
        QFile::setPermissions(Home("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", Home("run").toUtf8());
    }

    void init()
    {
        SetShellDirAnswerHook({});
        SetMessageAnswerHook({});
        SetSelectAnswerHook({});
    }

    void startFolder_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("root");
        const QString share = "run/gvfs/smb-share:server=nas,share=backup";
        QTest::newRow("existing") << "data/logs"
                                  << "data/logs" << int(srComputer);
        QTest::newRow("trailing /") << "data/logs/"
                                    << "data/logs" << int(srComputer);
        QTest::newRow("missing: documents") << "data/nothing"
                                            << "Documents" << int(srComputer);
        QTest::newRow("network share") << share << share << int(srNetwork);
    }

    void startFolder()
    {
        QFETCH(QString, start);
        QFETCH(QString, shown);
        QFETCH(int, root);
        QString selected, field;
        TShellRoot shownRoot = srDesktop;
        QString dir = Home(start);
        QVERIFY(Run(dir, [&](TShellDirDialog& d) {
            selected = d.SelectedPath();
            field = d.cbxSelectedDir->currentText();
            shownRoot = d.Root();
            QTest::keyClick(d.tvFolders, Qt::Key_Return);
        }));
        QCOMPARE(selected, Home(shown));
        QCOMPARE(field, Home(shown));
        QCOMPARE(int(shownRoot), root);
        QCOMPARE(dir, Home(shown) + "/");
    }

    void sameFolderTwiceIsOneEntry()
    {
        for (int i = 0; i < 2; ++i) {
            QString dir = Home("data/logs/old");
            QVERIFY(Run(dir, [](TShellDirDialog& d) { d.btOk->click(); }));
        }
        QStringList history;
        QString dir = Home("data");
        Run(dir, [&](TShellDirDialog& d) {
            history = d.History();
            d.reject();
        });
        QCOMPARE(history.first(), Home("data/logs/old"));
        QCOMPARE(history.count(Home("data/logs/old")), 1);
    }

    // Typing enables OK only for an existing folder, and the tree follows.
    void typedPath()
    {
        bool okForMissing = true, okForExisting = false;
        QString followed;
        QString dir = Home("Documents");
        QVERIFY(Run(dir, [&](TShellDirDialog& d) {
            QLineEdit* edit = d.cbxSelectedDir->lineEdit();
            edit->clear();
            QTest::keyClicks(edit, Home("data/nothing"));
            okForMissing = d.btOk->isEnabled();
            edit->clear();
            QTest::keyClicks(edit, Home("data/logs/"));
            okForExisting = d.btOk->isEnabled();
            followed = d.SelectedPath();
            QTest::keyClick(edit, Qt::Key_Return);
        }));
        QVERIFY(!okForMissing);
        QVERIFY(okForExisting);
        QCOMPARE(followed, Home("data/logs"));
        QCOMPARE(dir, Home("data/logs/"));
    }

    // A launcher that opens a folder is followed like a folder link.
    void launcherIsFollowed()
    {
        QVERIFY(QDir().mkpath(Home("links")));
        QVERIFY(WriteText(Home("links/Logs.desktop"),
                          "[Desktop Entry]\nType=Link\nName=Logs\nURL=file://" +
                              Home("data/logs").toUtf8() + "\n"));
        QVERIFY(WriteText(Home("links/Prog.desktop"),
                          "[Desktop Entry]\nType=Application\nName=P\nExec=/bin/true\n"));
        QString selected;
        int rows = -1;
        QString dir = Home("links");
        QVERIFY(Run(dir, [&](TShellDirDialog& d) {
            // The tree loads in the background and its filter may rebuild the rows meanwhile:
            // ask for the current index afresh on every try, never keep a stale one.
            const auto rowsBelowLinks = [&] {
                if (d.SelectedPath() != Home("links"))
                    return -1;
                return d.tvFolders->model()->rowCount(d.tvFolders->currentIndex());
            };
            QTRY_COMPARE_WITH_TIMEOUT(rowsBelowLinks(), 1, 20000);
            const QModelIndex links = d.tvFolders->currentIndex();
            rows = d.tvFolders->model()->rowCount(links);
            d.tvFolders->setCurrentIndex(d.tvFolders->model()->index(0, 0, links));
            selected = d.SelectedPath();
            d.btOk->click();
        }));
        QCOMPARE(rows, 1);
        QCOMPARE(selected, Home("data/logs"));
        QCOMPARE(dir, Home("data/logs/"));
    }

    void folderCommands()
    {
        QString afterUp, created, missingDefault;
        QStringList messages;
        RecordMessages(messages);
        QString dir = Home("data/logs/old");
        Run(
            dir,
            [&](TShellDirDialog& d) {
                // Buttons pressed by their keys click a moment later.
                d.activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(&d));
                QTest::keyClick(d.tvFolders, Qt::Key_U, Qt::ControlModifier);
                QTRY_COMPARE(d.SelectedPath(), Home("data/logs"));
                afterUp = d.SelectedPath();
                QTest::keyClick(d.tvFolders, Qt::Key_D, Qt::ControlModifier);
                QTRY_COMPARE(d.Root(), srDocuments);
                d.GoTo(afterUp);
                QVERIFY(d.CreateFolder("new/deeper"));
                created = d.SelectedPath();
                d.GoToDefault();
                d.reject();
            },
            Home("gone"));
        QCOMPARE(afterUp, Home("data/logs"));
        QCOMPARE(created, Home("data/logs/new/deeper"));
        QVERIFY(QFileInfo(created).isDir());
        QCOMPARE(messages, QStringList{"Directory not found:\n" + Home("gone") + "!"});
    }

    // "Definitely" deletes the folder with its files, read-only ones too, and says how many.
    void deleteDefinitely()
    {
        QVERIFY(QDir().mkpath(Home("doomed/sub")));
        QVERIFY(WriteText(Home("doomed/a.txt"), "a"));
        QVERIFY(WriteText(Home("doomed/sub/b.txt"), "b"));
        QFile::setPermissions(Home("doomed/sub/b.txt"), QFile::ReadOwner);
        QStringList messages;
        QString question;
        RecordMessages(messages);
        SetSelectAnswerHook([&](TSelectDialog& s) {
            question = s.windowTitle();
            s.Buttons().first()->click();
        });
        QString afterDelete;
        QString dir = Home("doomed");
        Run(dir, [&](TShellDirDialog& d) {
            d.DeleteFolder();
            afterDelete = d.SelectedPath();
            d.reject();
        });
        QCOMPARE(question, QString("Delete directory"));
        QVERIFY(!QFileInfo::exists(Home("doomed")));
        QCOMPARE(messages, QStringList{"2 directories with 2 files deleted!"});
        QCOMPARE(afterDelete, FHome.path());
    }

    void everyControlHasAName()
    {
        QStringList missing{"not shown"};
        QString dir = Home("data");
        Run(
            dir,
            [&](TShellDirDialog& d) {
                d.cbShowFiles->setChecked(true);
                missing = ControlsWithoutAccessibleName(&d);
                d.reject();
            },
            Home("Documents"));
        QCOMPARE(missing, QStringList());
    }
};

QTEST_MAIN(tst_ShellDirDlg)
#include "tst_ShellDirDlg.moc"

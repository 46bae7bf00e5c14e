#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "../infra/CatalogueFixture.h"
#include "common/infra/Translate.h"
#include "common/infra/Translation.h"
#include "common/ui/WindowTranslation.h"

namespace {

// A window as the programs build them: English texts, translated when created.
class TSampleWindow : public QDialog {
public:
    explicit TSampleWindow(QWidget* parent = nullptr) : QDialog(parent)
    {
        setWindowTitle("Backup groups");
        auto* layout = new QVBoxLayout(this);
        auto* start = new QPushButton("Start", this);
        start->setObjectName("Start");
        start->setToolTip("Start the backup");
        start->setFont(QFont("Start"));
        layout->addWidget(start);
        auto* mode = new QComboBox(this);
        mode->setObjectName("cbMode");
        mode->addItems({"Daily", "Monthly"});
        layout->addWidget(mode);
        auto* name = new QLineEdit("Start", this);
        name->setObjectName("edName");
        name->setPlaceholderText("Enter a name");
        layout->addWidget(name);
        auto* groups = new QTreeWidget(this);
        groups->setObjectName("lvGroups");
        groups->setHeaderLabels({"Group", "Daily"});
        new QTreeWidgetItem(groups, QStringList{"Daily", "Start"});
        layout->addWidget(groups);
        auto* box = new QGroupBox("Options", this);
        box->setObjectName("gbOptions");
        layout->addWidget(box);
        auto* tabs = new QTabWidget(this);
        tabs->setObjectName("pcPages");
        tabs->addTab(new QWidget(tabs), "Daily");
        layout->addWidget(tabs);
        auto* menu = new QMenu("File", this);
        menu->setObjectName("mnFile");
        menu->addAction("Start")->setObjectName("acStart");
        auto* kept = new QLabel("Start", this);
        kept->setObjectName("laKept");
        ExcludeFromTranslation(kept);
        auto* model = new QStandardItemModel(1, 1, this);
        model->setHorizontalHeaderLabels({"Group"});
        model->setItem(0, 0, new QStandardItem("Daily"));
        for (const char* viewName : {"tvFirst", "tvSecond"}) {
            auto* view = new QTableView(this);
            view->setObjectName(viewName);
            view->setModel(model);
        }
        auto* fonts = new QFontComboBox(this);
        fonts->setObjectName("cbFont");
        auto* message = new QDialog(this);
        message->setObjectName("dlgMessage");
        message->setWindowTitle("Message");
        (new QPushButton("Start", message))->setObjectName("bbMessageStart");
        TranslateWindow(message, kDialogsDomain);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
        buttons->setObjectName("bbButtons");
        layout->addWidget(buttons);
        TranslateWindow(this, kDefaultDomain);
    }
};

} // namespace

class tst_WindowTranslation : public QObject {
    Q_OBJECT

private:
    TCatalogueFixture catalogues;

    template <typename T> T* Find(QWidget& window, const char* name)
    {
        T* found = window.findChild<T*>(name);
        if (found == nullptr)
            qFatal("no child %s", name);
        return found;
    }

    // Every text of the sample window, by a name that says where it is.
    QMap<QString, QString> Texts(QWidget& window)
    {
        auto* mode = Find<QComboBox>(window, "cbMode");
        auto* groups = Find<QTreeWidget>(window, "lvGroups");
        auto* model = Find<QTableView>(window, "tvFirst")->model();
        auto* message = Find<QDialog>(window, "dlgMessage");
        return {
            {"title", window.windowTitle()},
            {"button", Find<QPushButton>(window, "Start")->text()},
            {"tool tip", Find<QPushButton>(window, "Start")->toolTip()},
            {"combo item 0", mode->itemText(0)},
            {"combo item 1", mode->itemText(1)},
            {"placeholder", Find<QLineEdit>(window, "edName")->placeholderText()},
            {"typed text", Find<QLineEdit>(window, "edName")->text()},
            {"column title", groups->headerItem()->text(0)},
            {"tree item", groups->topLevelItem(0)->text(1)},
            {"group box", Find<QGroupBox>(window, "gbOptions")->title()},
            {"tab", Find<QTabWidget>(window, "pcPages")->tabText(0)},
            {"menu", Find<QMenu>(window, "mnFile")->title()},
            {"action", window.findChild<QAction*>("acStart")->text()},
            {"excluded label", Find<QLabel>(window, "laKept")->text()},
            {"shared model header", model->headerData(0, Qt::Horizontal).toString()},
            {"shared model item", model->index(0, 0).data().toString()},
            {"own window title", message->windowTitle()},
            {"own window button", Find<QPushButton>(*message, "bbMessageStart")->text()},
        };
    }

private slots:
    void initTestCase()
    {
        // "Täglich" is translated again on purpose: a text translated twice shows.
        QVERIFY(catalogues.Add("de", kDefaultDomain,
                               {{"Backup groups", "Sicherungsgruppen"},
                                {"Start", "Starten"},
                                {"Start the backup", "Sicherung starten"},
                                {"Daily", "Täglich"},
                                {"Täglich", "twice"},
                                {"Enter a name", "Namen eingeben"},
                                {"Group", "Gruppe"},
                                {"Options", "Optionen"},
                                {"File", "Datei"},
                                {"Message", "Meldung (default)"}}));
        QVERIFY(catalogues.Add("de", kDialogsDomain, {{"Message", "Meldung"}}));
        BindDomain(kDefaultDomain, catalogues.Folder());
        BindDomain(kDialogsDomain, catalogues.Folder());
    }

    void translatedOnCreation()
    {
        SwitchLanguage("de", false);
        TSampleWindow window;
        const QMap<QString, QString> expected{
            {"title", "Sicherungsgruppen"},
            {"button", "Starten"},
            {"tool tip", "Sicherung starten"},
            {"combo item 0", "Täglich"},
            {"combo item 1", "Monthly"},
            {"placeholder", "Namen eingeben"},
            {"typed text", "Start"},
            {"column title", "Gruppe"},
            {"tree item", "Starten"},
            {"group box", "Optionen"},
            {"tab", "Täglich"},
            {"menu", "Datei"},
            {"action", "Starten"},
            {"excluded label", "Start"},
            {"shared model header", "Gruppe"},
            {"shared model item", "Täglich"},
            {"own window title", "Meldung"},
            {"own window button", "Start"},
        };
        const QMap<QString, QString> actual = Texts(window);
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(qPrintable(it.key() + ": " + actual.value(it.key())),
                     qPrintable(it.key() + ": " + it.value()));
        auto* start = Find<QPushButton>(window, "Start");
        QCOMPARE(start->objectName(), QString("Start"));
        QCOMPARE(start->font().family(), QString("Start"));
    }

    void fontNamesStay()
    {
        SwitchLanguage("de", false);
        QFontComboBox plain;
        TSampleWindow window;
        auto* fonts = Find<QFontComboBox>(window, "cbFont");
        QCOMPARE(fonts->count(), plain.count());
        for (int i = 0; i < fonts->count(); ++i)
            QCOMPARE(fonts->itemText(i), plain.itemText(i));
    }

    void missingCatalogueLeavesEnglish()
    {
        SwitchLanguage("fr", false);
        TSampleWindow window;
        const QMap<QString, QString> actual = Texts(window);
        QCOMPARE(actual.value("title"), QString("Backup groups"));
        QCOMPARE(actual.value("button"), QString("Start"));
        QCOMPARE(actual.value("combo item 0"), QString("Daily"));
        QCOMPARE(actual.value("own window title"), QString("Message"));
    }

    void toolkitTextsFromItsCatalogue()
    {
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
            QSKIP("the toolkit's German catalogue is not installed");
        SwitchLanguage("de", true);
        TSampleWindow window;
        auto* buttons = Find<QDialogButtonBox>(window, "bbButtons");
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QString("Abbrechen"));
        SwitchLanguage("en", true);
    }
};

QTEST_MAIN(tst_WindowTranslation)
#include "tst_WindowTranslation.moc"

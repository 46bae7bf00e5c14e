#include "starter/ui/AppDlg.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/infra/Translate.h"
#include "common/platform/FileManager.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/HintKey.h"
#include "common/ui/NewPwdDlg.h"
#include "common/ui/ShowMessageDlg.h"
#include "starter/ui/FileChoice.h"

namespace {

std::function<void(TAppDialog&)>& AnswerHook()
{
    static std::function<void(TAppDialog&)> hook;
    return hook;
}

// Programs on this system carry no extension.
const char* const kProgramFilter = TrNoop("Programs|*|all|*");
const char* const kProgramFolder = "/usr/bin";

QToolButton* SelectButton(QWidget* parent, const char* name, const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QPushButton* StartButton(QWidget* parent, const char* name, const QString& hint)
{
    auto* button = new QPushButton(Tr("Start"), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TAppDialog::TAppDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAppDialog"));
    setWindowTitle(Tr("Start an application under different user account"));
    const QString fileMgrText = Tr("User selected file manager");
    auto* lbFileMgr = new QLabel(Tr("User selected &file manager"), this);
    lbFileMgr->setObjectName(QStringLiteral("lbFileMgr"));
    edFileMgr = new QLineEdit(this);
    edFileMgr->setObjectName(QStringLiteral("edFileMgr"));
    edFileMgr->setToolTip(fileMgrText);
    lbFileMgr->setBuddy(edFileMgr);
    bbSelFileMgr = SelectButton(this, "bbSelFileMgr", Tr("Select file manager"));
    bbStartFileMgr = StartButton(this, "bbStartFileMgr", Tr("Run file manager"));

    const QString appText = Tr("Other application");
    auto* lbApp = new QLabel(Tr("Other a&pplication"), this);
    lbApp->setObjectName(QStringLiteral("lbApp"));
    cbApp = new QComboBox(this);
    cbApp->setObjectName(QStringLiteral("cbApp"));
    cbApp->setEditable(true);
    cbApp->setInsertPolicy(QComboBox::NoInsert);
    cbApp->setMaxVisibleItems(kAppHistoryShown);
    cbApp->setToolTip(appText);
    cbApp->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    lbApp->setBuddy(cbApp);
    bbSelApp = SelectButton(this, "bbSelApp", Tr("Select application"));
    bbStartApp = StartButton(this, "bbStartApp", Tr("Run selected application"));

    auto* lbAccount = new QLabel(Tr("User &account:"), this);
    lbAccount->setObjectName(QStringLiteral("lbAccount"));
    edAccount = new QLineEdit(this);
    edAccount->setObjectName(QStringLiteral("edAccount"));
    edAccount->setPlaceholderText(Tr("User account"));
    edAccount->setToolTip(Tr("User account"));
    lbAccount->setBuddy(edAccount);
    CloseBtn = new QPushButton(Tr("&Close"), this);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    CloseBtn->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(lbFileMgr, 0, 0, 1, 3);
    grid->addWidget(edFileMgr, 1, 0);
    grid->addWidget(bbSelFileMgr, 1, 1);
    grid->addWidget(bbStartFileMgr, 1, 2);
    grid->addWidget(lbApp, 2, 0, 1, 3);
    grid->addWidget(cbApp, 3, 0);
    grid->addWidget(bbSelApp, 3, 1);
    grid->addWidget(bbStartApp, 3, 2);
    grid->setColumnStretch(0, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lbAccount);
    bottom->addWidget(edAccount, 1);
    bottom->addStretch();
    bottom->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(bottom);

    connect(bbStartFileMgr, &QPushButton::clicked, this, [this] { StartClicked(0); });
    connect(bbStartApp, &QPushButton::clicked, this, [this] { StartClicked(1); });
    connect(bbSelFileMgr, &QToolButton::clicked, this, &TAppDialog::SelectFileManager);
    connect(bbSelApp, &QToolButton::clicked, this, &TAppDialog::SelectApplication);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    InstallHintKey(this);
    resize(520, sizeHint().height());
    FDesignedHeight = height();
}

TAppDialog::~TAppDialog()
{
    if (FIniName.isEmpty())
        return;
    try {
        SaveAppSettings(FIniName, FSection, Values());
    } catch (const std::exception&) {
        // The program is ending: the old file stays as it was.
    }
}

void TAppDialog::SetHistory(const QStringList& history)
{
    const QString text = cbApp->currentText();
    cbApp->clear();
    cbApp->addItems(history);
    cbApp->setEditText(text);
}

QStringList TAppDialog::History() const
{
    QStringList history;
    for (int i = 0; i < cbApp->count(); ++i)
        history.append(cbApp->itemText(i));
    return history;
}

TAppSettings TAppDialog::Values() const
{
    TAppSettings values;
    values.Window = {geometry().y(), geometry().x(), height(), width()};
    values.FileManager = edFileMgr->text();
    values.Application = cbApp->currentText();
    values.History = History();
    return values;
}

void TAppDialog::LoadFromIni(const QString& iniName, const QString& section)
{
    FIniName = iniName;
    FSection = section;
    const TAppSettings stored = LoadAppSettings(iniName, section);
    SetHistory(stored.History);
    resize(stored.Window.Width > 0 ? stored.Window.Width : width(),
           qMax(stored.Window.Height, FDesignedHeight));
    FPlaced = stored.Window.Top >= 0 && stored.Window.Left >= 0;
    if (FPlaced)
        setGeometry(QRect(QPoint(stored.Window.Left, stored.Window.Top), size()));
    edFileMgr->setText(stored.FileManager.isEmpty() ? QString::fromStdString(DefaultFileManager())
                                                    : stored.FileManager);
    cbApp->setEditText(stored.Application);
}

TAppDialog::TCheck TAppDialog::CheckStart(int mode) const
{
    if (mode == 0) {
        if (!QFileInfo(edFileMgr->text()).isFile())
            return {Tr("Please specify a file manager!"), edFileMgr};
        return {};
    }
    if (!QFileInfo(CommandProgram(cbApp->currentText())).isFile())
        return {Tr("Please specify an application!"), cbApp};
    return {};
}

void TAppDialog::StartClicked(int mode)
{
    const TCheck check = CheckStart(mode);
    if (!check.message.isEmpty()) {
        ErrorMessage(check.message);
        check.focus->setFocus();
        return;
    }
    FMode = mode;
    accept();
}

QString TAppDialog::StartFolder(const QString& program) const
{
    if (program.isEmpty())
        return QString::fromLatin1(kProgramFolder);
    return QFileInfo(program).absolutePath();
}

void TAppDialog::SelectFileManager()
{
    const QStringList files =
        ChooseFiles(this, {Tr("Select file manager"), StartFolder(edFileMgr->text()),
                           Tr(kProgramFilter), QString(), false, true});
    if (!files.isEmpty())
        edFileMgr->setText(files.front());
}

void TAppDialog::SelectApplication()
{
    const QStringList files = ChooseFiles(this, {Tr("Select application"),
                                                 StartFolder(CommandProgram(cbApp->currentText())),
                                                 Tr(kProgramFilter), QString(), false, true});
    if (!files.isEmpty())
        AddToHistory(files.front());
}

void TAppDialog::AddToHistory(const QString& program)
{
    SetHistory(HistoryWithProgram(History(), program));
    cbApp->setCurrentIndex(0);
}

bool TAppDialog::Execute(QString& user, QString& pwd, QString& app)
{
    const QString incoming = user;
    edAccount->setText(user);
    if (FPlaced)
        KeepOnScreen(*this);
    else
        PlaceDialog(*this, kCentreOnMainWindow);
    FPlaced = true;
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    if (exec() != QDialog::Accepted)
        return false;
    const QString account = edAccount->text();
    if (NeedsPasswordPrompt(pwd, account, incoming)) {
        QString entered;
        if (!InputNewPassword(Tr("Password for user: ") + account, entered))
            return false;
        pwd = entered;
    }
    user = account;
    app = FMode == 1 ? cbApp->currentText() : edFileMgr->text();
    return true;
}

void SetAppDialogAnswerHook(std::function<void(TAppDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

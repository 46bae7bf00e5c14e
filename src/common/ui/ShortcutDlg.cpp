#include "common/ui/ShortcutDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "common/backup/Options.h"
#include "common/infra/SettingsFolder.h"
#include "common/infra/Translate.h"
#include "common/ui/DialogButtons.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/FileNameCheck.h"
#include "common/ui/ShowMessageDlg.h"

namespace {

std::function<void(TShortcutDialog&)>& AnswerHook()
{
    static std::function<void(TShortcutDialog&)> hook;
    return hook;
}

// How each action is named and which option it writes.
struct TActionSpec {
    const char* objectName;
    const char* caption;
    const char* keyword; // nullptr: no option
    const char* value;   // nullptr: the option has no value
};

// Indexed by TShortcutAction.
constexpr TActionSpec kActions[] = {
    {"rbNone", TrNoop("None"), nullptr, nullptr},
    {"rbPrompt", TrNoop("Prompt"), "prompt", nullptr},
    {"rbStandby", TrNoop("Standby"), "suspend", "standby"},
    {"rbHibernate", TrNoop("Hibernate"), "suspend", "hibernate"},
    {"rbLogoff", TrNoop("Logoff"), "end", "logoff"},
    {"rbShutdown", TrNoop("Shutdown"), "end", "shutdown"},
    {"rbRestart", TrNoop("Restart"), "end", "restart"},
};
constexpr int kActionRows = 4;

enum TOptionId {
    oForce,
    oTerm,
    oLogmode,
    oPrompt,
    oLockscreen,
    oDark,
    oEnd,
    oSuspend,
    oIni,
    oErrActions,
    oLogmodeAlone
};

// The starter's keywords in the starter's order, so abbreviations mean the same here.
constexpr TOptionKeyword kKeywords[] = {
    {"force", false, oForce},
    {"term", false, oTerm},
    {"logmode", true, oLogmode},
    {"prompt", false, oPrompt},
    {"lockscreen", false, oLockscreen},
    {"dark", false, oDark},
    {"end", true, oEnd},
    {"suspend", true, oSuspend},
    {"ini", true, oIni},
    {"erractions", true, oErrActions},
    {"logmode", false, oLogmodeAlone},
};

// Values of "end" in the starter's order; -1: no action of this dialog.
constexpr int kEndActions[] = {saShutdown, -1, saLogoff, saRestart, saShutdown};
constexpr int kSuspendActions[] = {saStandby, saHibernate};

bool TermBoxApplies(int action)
{
    return action >= saStandby && action <= saRestart;
}

} // namespace

TShortcutDialog::TShortcutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TShortcutDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* heading = new QLabel(Tr("Settings to start backups as different user"), this);
    heading->setObjectName(QStringLiteral("lbHeading"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* lbGroups = new QLabel(Tr("Select backup groups"), this);
    lbConfigs = new QListWidget(this);
    lbConfigs->setObjectName(QStringLiteral("lbConfigs"));
    lbConfigs->setSelectionMode(QAbstractItemView::MultiSelection);
    // Item views take no name from a buddy label.
    lbConfigs->setAccessibleName(lbGroups->text());
    lbGroups->setBuddy(lbConfigs);
    lbName = new QLabel(this);
    lbName->setObjectName(QStringLiteral("lbName"));
    edName = new QLineEdit(this);
    edName->setObjectName(QStringLiteral("edName"));
    lbName->setBuddy(edName);
    BuildActions();
    cbWritelog = new QCheckBox(Tr("Write log file"), this);
    cbWritelog->setObjectName(QStringLiteral("cbWritelog"));
    cbTerm = new QCheckBox(Tr("Terminate all running programs before starting backups"), this);
    cbTerm->setObjectName(QStringLiteral("cbTerm"));
    cbLockScreen = new QCheckBox(Tr("Lock screen during backup"), this);
    cbLockScreen->setObjectName(QStringLiteral("cbLockScreen"));
    auto* lbIniCaption = new QLabel(Tr("Path for settings and log:"), this);
    lbIniPath = new QLabel(this);
    lbIniPath->setObjectName(QStringLiteral("lbIniPath"));
    lbIniPath->setTextFormat(Qt::PlainText);
    lbIniPath->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);

    const TOkCancel okCancel = AddOkCancel(this, Tr("OK"), Tr("Cancel"));
    btOk = okCancel.ok;
    btCancel = okCancel.cancel;
    QDialogButtonBox* buttons = okCancel.box;

    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : std::initializer_list<QWidget*>{heading, lbGroups, lbConfigs, lbName, edName,
                                                      rgAction, cbWritelog, cbTerm, cbLockScreen,
                                                      lbIniCaption, lbIniPath, buttons})
        layout->addWidget(w);
}

void TShortcutDialog::BuildActions()
{
    rgAction = new QGroupBox(Tr("Action after backups"), this);
    rgAction->setObjectName(QStringLiteral("rgAction"));
    FActions = new QButtonGroup(this);
    auto* grid = new QGridLayout(rgAction);
    for (int i = 0; i < int(std::size(kActions)); ++i) {
        auto* button = new QRadioButton(Tr(kActions[i].caption), rgAction);
        button->setObjectName(QString::fromLatin1(kActions[i].objectName));
        FActions->addButton(button, i);
        // Filled column by column, as a radio group of two columns.
        grid->addWidget(button, i % kActionRows, i / kActionRows);
    }
    connect(FActions, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            UpdateTermBox();
    });
}

TShortcutAction TShortcutDialog::Action() const
{
    return static_cast<TShortcutAction>(qMax(0, FActions->checkedId()));
}

void TShortcutDialog::SetAction(TShortcutAction action)
{
    FActions->button(action)->setChecked(true);
    UpdateTermBox();
}

void TShortcutDialog::UpdateTermBox()
{
    const bool enabled = TermBoxApplies(Action());
    cbTerm->setEnabled(enabled);
    if (!enabled)
        cbTerm->setChecked(false);
}

void TShortcutDialog::ShowIniPath()
{
    const QString path = FIniPath.isEmpty() ? SettingsFolder() : FIniPath;
    const int width = qMax(lbConfigs->width(), 100);
    lbIniPath->setText(lbIniPath->fontMetrics().elidedText(path, Qt::ElideMiddle, width));
    lbIniPath->setToolTip(path);
    lbIniPath->setAccessibleName(path);
}

void TShortcutDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ShowIniPath();
}

void TShortcutDialog::SelectGroup(const QString& name)
{
    for (int i = 0; i < lbConfigs->count(); ++i)
        if (lbConfigs->item(i)->text().compare(name, Qt::CaseInsensitive) == 0)
            lbConfigs->item(i)->setSelected(true);
}

void TShortcutDialog::ApplyOption(const QString& param)
{
    const TOptionMatch match = MatchOption(param, kKeywords);
    switch (match.id) {
    case oPrompt:
        SetAction(saPrompt);
        break;
    case oSuspend:
        if (const int v = MatchOptionValue(match.value, {"standby", "hibernate"}); v >= 0)
            SetAction(static_cast<TShortcutAction>(kSuspendActions[v]));
        break;
    case oEnd:
        if (const int v = MatchOptionValue(
                match.value, {"shutdown", "lockdown", "logoff", "restart", "poweroff"});
            v >= 0 && kEndActions[v] >= 0)
            SetAction(static_cast<TShortcutAction>(kEndActions[v]));
        break;
    case oErrActions:
        FActErr = LeadingInteger(match.value).value_or(0);
        break;
    case oTerm:
        cbTerm->setChecked(true);
        break;
    case oLockscreen:
        cbLockScreen->setChecked(!cbLockScreen->isHidden());
        break;
    case oIni:
        FIniPath = match.value;
        break;
    case oLogmode:
        cbWritelog->setChecked(LeadingInteger(match.value).value_or(1) != 0);
        break;
    case oLogmodeAlone:
        cbWritelog->setChecked(true);
        break;
    default:
        break; // options without a control here are dropped
    }
}

void TShortcutDialog::Preset(const QString& cmdLine)
{
    for (const QString& word : SplitCommandLine(cmdLine)) {
        if (IsOptionParam(word))
            ApplyOption(word);
        else
            SelectGroup(word);
    }
    UpdateTermBox();
}

QString TShortcutDialog::CommandLine() const
{
    QString line;
    for (int i = 0; i < lbConfigs->count(); ++i)
        if (lbConfigs->item(i)->isSelected())
            line += QuotedPath(lbConfigs->item(i)->text()) + u' ';
    line += QStringLiteral("/force");
    if (!FIniPath.isEmpty())
        line += OptionText(QStringLiteral("ini"), FIniPath);
    if (cbWritelog->isChecked())
        line += OptionText(QStringLiteral("logmode"), 1);
    if (cbLockScreen->isChecked() && !cbLockScreen->isHidden())
        line += OptionText(QStringLiteral("lockscreen"));
    const TActionSpec& action = kActions[Action()];
    if (action.keyword)
        line += action.value ? OptionText(QString::fromLatin1(action.keyword),
                                          QString::fromLatin1(action.value))
                             : OptionText(QString::fromLatin1(action.keyword));
    // The starter terminates programs before any action, the suspend ones too.
    if (cbTerm->isChecked() && TermBoxApplies(Action()))
        line += OptionText(QStringLiteral("term"));
    if (FActErr > 0)
        line += OptionText(QStringLiteral("erractions"), FActErr);
    return line;
}

TShortcutDialog::TCheck TShortcutDialog::CheckInput() const
{
    if (lbConfigs->selectedItems().isEmpty())
        return {Tr("Please select at least one backup group!"), lbConfigs};
    if (edName->isHidden())
        return {};
    const QString name = edName->text();
    if (name.isEmpty())
        return {Tr("Please specify a name for this task!"), edName};
    if (!IsValidFileName(name))
        return {InvalidFileNameMessage(kDefaultDomain, name), edName};
    return {};
}

void TShortcutDialog::accept()
{
    const TCheck check = CheckInput();
    if (check.message.isEmpty()) {
        QDialog::accept();
        return;
    }
    ErrorMessage(ErrorHint(check.message));
    check.focus->setFocus();
}

bool TShortcutDialog::Execute(const QString& ATitle, const QString& ACaption, bool AShowLock,
                              const QStringList& ConfigList, QString& AName, QString& CmdLine,
                              const QString& APrompt)
{
    setWindowTitle(ATitle);
    btOk->setText(APrompt.isEmpty() ? Tr("OK") : APrompt);
    lbName->setText(ACaption);
    lbName->setVisible(!ACaption.isEmpty());
    edName->setVisible(!ACaption.isEmpty());
    edName->setText(AName);
    lbConfigs->clear();
    lbConfigs->addItems(ConfigList);
    FActErr = 0;
    FIniPath.clear();
    cbWritelog->setChecked(false);
    cbLockScreen->setVisible(AShowLock);
    cbLockScreen->setChecked(false);
    cbTerm->setChecked(false);
    SetAction(saNone);
    Preset(CmdLine);
    adjustSize();
    ShowIniPath();
    PlaceDialog(*this, kCentreOnMainWindow);
    lbConfigs->setFocus();
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    if (exec() != QDialog::Accepted)
        return false;
    AName = edName->text();
    CmdLine = CommandLine();
    return true;
}

void SetShortcutAnswerHook(std::function<void(TShortcutDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

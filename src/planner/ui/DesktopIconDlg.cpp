#include "planner/ui/DesktopIconDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "common/infra/Translate.h"
#include "common/ui/DialogButtons.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/ErrorActionDlg.h"
#include "planner/ui/PlanerHelp.h"

namespace {

std::function<void(TDesktopIconDialog&)>& AnswerHook()
{
    static std::function<void(TDesktopIconDialog&)> hook;
    return hook;
}

struct TChoice {
    const char* objectName;
    const char* caption;
};

// Indexed by TIconAction.
constexpr TChoice kActions[] = {
    {"rbNone", TrNoop("None")},
    {"rbStandby", TrNoop("Standby")},
    {"rbHibernate", TrNoop("Hibernate")},
    {"rbLogoff", TrNoop("Logoff")},
    {"rbRestart", TrNoop("Restart")},
    {"rbShutdown", TrNoop("Shutdown")},
    {"rbLockDown", TrNoop("Lock and shutdown")},
    {"rbHybridDown", TrNoop("Hybrid shutdown")},
};
constexpr int kActionRows = 4;

// Indexed by TIconStatus.
constexpr TChoice kStatus[] = {
    {"rbQuiet", TrNoop("Not visible")},
    {"rbDelay", TrNoop("Close automatically")},
    {"rbWait", TrNoop("Always wait for prompt")},
    {"rbError", TrNoop("Wait for prompt only on errors")},
    {"rbSilent", TrNoop("Show only on errors")},
};

QLineEdit* LabelledEdit(QWidget* parent, QFormLayout* form, const char* name, const char* caption)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    auto* label = new QLabel(Tr(caption), parent);
    label->setBuddy(edit);
    form->addRow(label, edit);
    return edit;
}

} // namespace

TDesktopIconDialog::TDesktopIconDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TDesktopIconDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* form = new QFormLayout;
    edShortcut = LabelledEdit(this, form, "edShortcut", TrNoop("Name of desktop shortcut:"));
    edDescription = LabelledEdit(this, form, "edDescription", TrNoop("Description:"));
    edTasks = LabelledEdit(this, form, "edTasks", TrNoop("Tasks to be executed:"));
    edTasks->setReadOnly(true);

    cbSplash = new QCheckBox(Tr("No splash screen"), this);
    cbSplash->setObjectName(QStringLiteral("cbSplash"));
    cbRunAs = new QCheckBox(Tr("Run as administrator"), this);
    cbRunAs->setObjectName(QStringLiteral("cbRunAs"));
    bbErrorAction = new QPushButton(Tr("Action handling on errors"), this);
    bbErrorAction->setObjectName(QStringLiteral("bbErrorAction"));
    connect(bbErrorAction, &QPushButton::clicked, this, [this] { bbErrorActionClick(); });

    const TOkCancel okCancel = AddOkCancel(this, Tr("OK"), Tr("Cancel"));
    btOk = okCancel.ok;
    btCancel = okCancel.cancel;

    auto* choices = new QHBoxLayout;
    choices->addWidget(BuildActions());
    choices->addWidget(BuildStatus());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(choices);
    for (QWidget* w : std::initializer_list<QWidget*>{cbSplash, cbRunAs, bbErrorAction})
        layout->addWidget(w, 0, Qt::AlignLeft);
    layout->addWidget(okCancel.box);
    InstallPlanerKeys(this, "kv-dlink.html");
}

QGroupBox* TDesktopIconDialog::BuildActions()
{
    gbAction = new QGroupBox(Tr("Action after backup"), this);
    gbAction->setObjectName(QStringLiteral("gbAction"));
    FActions = new QButtonGroup(this);
    auto* grid = new QGridLayout(gbAction);
    for (int i = 0; i < kIconActionCount; ++i) {
        auto* button = new QRadioButton(Tr(kActions[i].caption), gbAction);
        button->setObjectName(QString::fromLatin1(kActions[i].objectName));
        FActions->addButton(button, i);
        grid->addWidget(button, i % kActionRows, i / kActionRows);
    }
    cbAction = new QCheckBox(Tr("Action changeable by user"), gbAction);
    cbAction->setObjectName(QStringLiteral("cbAction"));
    grid->addWidget(cbAction, kActionRows, 0, 1, 2);
    connect(FActions, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            ActionChosen(id);
    });
    return gbAction;
}

QGroupBox* TDesktopIconDialog::BuildStatus()
{
    rgStatus = new QGroupBox(Tr("Status window"), this);
    rgStatus->setObjectName(QStringLiteral("rgStatus"));
    FStatus = new QButtonGroup(this);
    auto* column = new QVBoxLayout(rgStatus);
    for (int i = 0; i < kIconStatusCount; ++i) {
        auto* button = new QRadioButton(Tr(kStatus[i].caption), rgStatus);
        button->setObjectName(QString::fromLatin1(kStatus[i].objectName));
        FStatus->addButton(button, i);
        column->addWidget(button);
    }
    column->addStretch();
    return rgStatus;
}

void TDesktopIconDialog::ActionChosen(int action)
{
    const bool some = action != iaNone;
    bbErrorAction->setEnabled(some);
    FAct = FActions->button(action)->text();
    bbErrorAction->setToolTip(some ? Fmt(Tr("Disable %s on errors"), {FAct}) : QString());
}

void TDesktopIconDialog::SetAction(TIconAction action)
{
    FActions->button(action)->setChecked(true);
    ActionChosen(action);
}

void TDesktopIconDialog::bbErrorActionClick()
{
    if (FActions->checkedId() <= iaNone)
        return;
    const QPoint below = bbErrorAction->mapToGlobal(QPoint(0, bbErrorAction->height()));
    EditErrorActions(below, FAct, FActErr);
}

void TDesktopIconDialog::Preset(const TIconOptions& options)
{
    FStatus->button(options.Status)->setChecked(true);
    SetAction(options.Action);
    cbSplash->setChecked(options.NoSplash);
    cbAction->setChecked(options.ActionChangeable);
    FActErr = options.ActErr;
    FOpt = options.OtherOptions;
}

TIconOptions TDesktopIconDialog::Options() const
{
    TIconOptions options;
    options.Status = static_cast<TIconStatus>(qMax(0, FStatus->checkedId()));
    options.Action = static_cast<TIconAction>(qMax(0, FActions->checkedId()));
    options.NoSplash = cbSplash->isChecked();
    options.ActionChangeable = cbAction->isChecked();
    options.ActErr = FActErr;
    options.OtherOptions = FOpt;
    return options;
}

bool TDesktopIconDialog::Execute(const QString& caption, const QString& tasks, int& runAs,
                                 QString& options, QString& description, QString& shortcutName)
{
    setWindowTitle(caption);
    edShortcut->setText(shortcutName);
    edDescription->setText(description);
    edTasks->setText(tasks);
    cbRunAs->setVisible(runAs >= 0);
    cbRunAs->setChecked(false);
    Preset(ReadIconOptions(options));
    adjustSize();
    PlaceDialog(*this, kCentreOnMainWindow);
    edShortcut->setFocus();
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    if (exec() != QDialog::Accepted)
        return false;
    shortcutName = edShortcut->text();
    description = edDescription->text();
    options = IconOptionsText(Options());
    runAs = cbRunAs->isChecked() ? 1 : 0;
    return true;
}

bool EditDesktopIcon(const QString& caption, const QString& tasks, int& runAs, QString& options,
                     QString& description, QString& shortcutName)
{
    TDesktopIconDialog dialog(DialogMainWindow());
    return dialog.Execute(caption, tasks, runAs, options, description, shortcutName);
}

void SetDesktopIconAnswerHook(std::function<void(TDesktopIconDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

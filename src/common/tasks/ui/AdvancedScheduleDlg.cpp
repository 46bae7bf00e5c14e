#include "common/tasks/ui/AdvancedScheduleDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "common/infra/Translate.h"
#include "common/ui/DialogButtons.h"
#include "common/ui/DialogPosition.h"

namespace {

std::function<void(TAdvancedScheduleDialog&)>& AnswerHook()
{
    static std::function<void(TAdvancedScheduleDialog&)> hook;
    return hook;
}

QCheckBox* NewCheckBox(QWidget* parent, const char* name, const char* caption)
{
    auto* box = new QCheckBox(Tr(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLabel* BuddyLabel(QWidget* parent, const char* caption, QWidget* buddy)
{
    auto* label = new QLabel(Tr(caption), parent);
    label->setBuddy(buddy);
    return label;
}

// A year from today at noon: the expiry offered when none is set.
QDateTime DefaultExpiry()
{
    const QDate today = QDate::currentDate();
    const int days = QDate::isLeapYear(today.year()) ? 366 : 365;
    return QDateTime(today.addDays(days), QTime(12, 0));
}

} // namespace

TAdvancedScheduleDialog::TAdvancedScheduleDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TAdvancedScheduleDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(Tr("Advanced Schedule Options"));

    cbExpire = NewCheckBox(this, "cbExpire", TrNoop("Expire:"));
    dpExpire = new QDateEdit(this);
    dpExpire->setObjectName(QStringLiteral("dpExpire"));
    dpExpire->setCalendarPopup(true);
    dpExpire->setAccessibleName(Tr("Expiry date"));
    dtExpire = new QTimeEdit(this);
    dtExpire->setObjectName(QStringLiteral("dtExpire"));
    dtExpire->setAccessibleName(Tr("Expiry time"));

    cbRepeat = NewCheckBox(this, "cbRepeat", TrNoop("Repeat task:"));
    pnRepeat = new QWidget(this);
    pnRepeat->setObjectName(QStringLiteral("pnRepeat"));
    udInterval =
        std::make_unique<TUnitField>(pnRepeat, "udInterval", "cbRepUnit",
                                     std::initializer_list{tuHours, tuMinutes}, RepeatUnitPreset);
    udDuration =
        std::make_unique<TUnitField>(pnRepeat, "udDuration", "cbDurUnit",
                                     std::initializer_list{tuHours, tuMinutes}, RepeatUnitPreset);
    cbStopAtEnd = NewCheckBox(pnRepeat, "cbStopAtEnd",
                              TrNoop("Stop all running tasks at end of repetition duration"));
    auto* repeat = new QGridLayout(pnRepeat);
    repeat->setContentsMargins(20, 0, 0, 0);
    repeat->addWidget(BuddyLabel(pnRepeat, TrNoop("Every:"), udInterval->value), 0, 0);
    repeat->addWidget(udInterval->value, 0, 1);
    repeat->addWidget(udInterval->unit, 0, 2);
    repeat->addWidget(BuddyLabel(pnRepeat, TrNoop("for a duration of:"), udDuration->value), 1, 0);
    repeat->addWidget(udDuration->value, 1, 1);
    repeat->addWidget(udDuration->unit, 1, 2);
    repeat->addWidget(cbStopAtEnd, 2, 0, 1, 3);

    cbLimit = NewCheckBox(this, "cbLimit", TrNoop("Stop task if it runs longer than:"));
    udLimit = std::make_unique<TUnitField>(this, "udLimit", "cbLimitUnit",
                                           std::initializer_list{tuDays, tuHours, tuMinutes},
                                           LimitUnitPreset);
    cbReRun = NewCheckBox(this, "cbReRun",
                          TrNoop("Run task as soon as possible after a scheduled start is missed"));
    cbPower =
        NewCheckBox(this, "cbPower", TrNoop("Start the task only if the computer is on AC power"));
    cbOnBatteries = NewCheckBox(this, "cbOnBatteries",
                                TrNoop("Stop if the computer switches to battery power"));
    cbWakeUp = NewCheckBox(this, "cbWakeUp", TrNoop("Wake the computer to run this task"));
    cbNetwork = NewCheckBox(this, "cbNetwork",
                            TrNoop("Start the task only if a network connection is available"));

    auto* grid = new QGridLayout;
    grid->addWidget(cbExpire, 0, 0);
    grid->addWidget(dpExpire, 0, 1);
    grid->addWidget(dtExpire, 0, 2);
    grid->addWidget(cbRepeat, 1, 0, 1, 3);
    grid->addWidget(pnRepeat, 2, 0, 1, 3);
    grid->addWidget(cbLimit, 3, 0);
    grid->addWidget(udLimit->value, 3, 1);
    grid->addWidget(udLimit->unit, 3, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    for (QCheckBox* box : {cbReRun, cbPower, cbOnBatteries, cbWakeUp, cbNetwork})
        layout->addWidget(box);
    cbOnBatteries->setContentsMargins(20, 0, 0, 0);
    layout->addWidget(AddOkCancel(this, Tr("OK"), Tr("Cancel")).box);

    for (QCheckBox* box : {cbExpire, cbRepeat, cbLimit})
        connect(box, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    connect(cbPower, &QCheckBox::clicked, this, [this](bool on) {
        cbOnBatteries->setEnabled(on);
        cbOnBatteries->setChecked(on);
    });
}

TAdvancedScheduleDialog::~TAdvancedScheduleDialog() = default;

void TAdvancedScheduleDialog::UpdateEnabled()
{
    dpExpire->setEnabled(cbExpire->isChecked());
    dtExpire->setEnabled(cbExpire->isChecked());
    pnRepeat->setEnabled(cbRepeat->isChecked());
    udLimit->SetEnabled(cbLimit->isChecked());
}

void TAdvancedScheduleDialog::Load(const TAdvancedSettings& AdvSet)
{
    cbExpire->setChecked(AdvSet.UseEndDate);
    const QDateTime expiry = AdvSet.UseEndDate ? AdvSet.EndDate : DefaultExpiry();
    dpExpire->setDate(expiry.date());
    dtExpire->setTime(expiry.time());
    cbRepeat->setChecked(AdvSet.RepeatTask);
    udInterval->Set(RepeatUnitValue(AdvSet.MinutesInterval));
    udDuration->Set(RepeatUnitValue(AdvSet.MinutesDuration));
    cbStopAtEnd->setChecked(AdvSet.StopEndDuration);
    cbLimit->setChecked(AdvSet.UseLimit);
    udLimit->Set(LimitUnitValue(AdvSet.MinutesLimit));
    cbReRun->setChecked(AdvSet.ReRun);
    cbPower->setChecked(AdvSet.PowerOnly);
    cbOnBatteries->setEnabled(AdvSet.PowerOnly);
    cbOnBatteries->setChecked(AdvSet.PowerOnly && AdvSet.StopBattery);
    cbWakeUp->setChecked(AdvSet.WakeUp);
    cbNetwork->setChecked(AdvSet.NetworkOnly);
    UpdateEnabled();
}

void TAdvancedScheduleDialog::Save(TAdvancedSettings& AdvSet) const
{
    AdvSet.UseEndDate = cbExpire->isChecked();
    if (AdvSet.UseEndDate) {
        const QTime time = dtExpire->time();
        AdvSet.EndDate = QDateTime(dpExpire->date(), QTime(time.hour(), time.minute()));
    }
    AdvSet.RepeatTask = cbRepeat->isChecked();
    AdvSet.MinutesInterval = int(UnitSeconds(udInterval->Get()) / 60);
    AdvSet.MinutesDuration = int(UnitSeconds(udDuration->Get()) / 60);
    AdvSet.StopEndDuration = cbStopAtEnd->isChecked();
    AdvSet.UseLimit = cbLimit->isChecked();
    AdvSet.MinutesLimit = int(UnitSeconds(udLimit->Get()) / 60);
    AdvSet.ReRun = cbReRun->isChecked();
    AdvSet.PowerOnly = cbPower->isChecked();
    AdvSet.StopBattery = cbOnBatteries->isChecked();
    AdvSet.WakeUp = cbWakeUp->isChecked();
    AdvSet.NetworkOnly = cbNetwork->isChecked();
}

bool TAdvancedScheduleDialog::Execute(TAdvancedSettings& AdvSet)
{
    Load(AdvSet);
    adjustSize();
    PlaceDialog(*this, kCentreOnMainWindow);
    cbExpire->setFocus();
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    if (exec() != QDialog::Accepted)
        return false;
    Save(AdvSet);
    return true;
}

bool EditAdvancedSettings(TAdvancedSettings& AdvSet)
{
    QWidget* parent =
        QApplication::activeModalWidget() ? QApplication::activeModalWidget() : DialogMainWindow();
    TAdvancedScheduleDialog dialog(parent);
    return dialog.Execute(AdvSet);
}

void SetAdvancedScheduleAnswerHook(std::function<void(TAdvancedScheduleDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

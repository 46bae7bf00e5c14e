#include "common/tasks/ui/TaskSchedForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "common/backup/Options.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/Translate.h"
#include "common/platform/SystemInfo.h"
#include "common/tasks/TaskSystemd.h"
#include "common/tasks/TaskTexts.h"
#include "common/tasks/ui/AdvancedScheduleDlg.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/ErrorActionDlg.h"
#include "common/ui/HelpPage.h"
#include "common/ui/ShellDirDlg.h"
#include "common/ui/ShowMessageDlg.h"

namespace {

std::function<void(TTaskScheduleForm&)>& AnswerHook()
{
    static std::function<void(TTaskScheduleForm&)> hook;
    return hook;
}

TToolRunner& LingerRunner()
{
    static TToolRunner runner;
    return runner;
}

constexpr const char* kPromptTexts[] = {TrNoop("Wait for prompt"), TrNoop("Close automatically"),
                                        TrNoop("Not visible"), TrNoop("Wait only on errors"),
                                        TrNoop("Not visible except on errors")};
constexpr const char* kEndTexts[] = {TrNoop("None"),   TrNoop("Standby"),  TrNoop("Hibernate"),
                                     TrNoop("Logoff"), TrNoop("Shutdown"), TrNoop("Restart")};
constexpr const char* kLogTexts[] = {TrNoop("As in task"), TrNoop("Short"), TrNoop("Long"),
                                     TrNoop("Verbose")};
constexpr const char* kPriorityTexts[] = {TrNoop("Normal"), TrNoop("Low"), TrNoop("High")};
constexpr const char* kCycleTexts[] = {TrNoop("Daily"),    TrNoop("Weekly"),
                                       TrNoop("Monthly"),  TrNoop("One time only"),
                                       TrNoop("On logon"), TrNoop("On waking up the computer")};
constexpr const char* kWeekNames[] = {TrNoop("First"), TrNoop("Second"), TrNoop("Third"),
                                      TrNoop("Fourth"), TrNoop("Last")};
constexpr const char* kWeekdayBoxes[] = {"cbMonday", "cbTuesday",  "cbWednesday", "cbThursday",
                                         "cbFriday", "cbSaturday", "cbSunday"};
constexpr const char* kMonthBoxes[] = {"cbJan", "cbFeb", "cbMar", "cbApr", "cbMay", "cbJun",
                                       "cbJul", "cbAug", "cbSep", "cbOct", "cbNov", "cbDec"};

template <class T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* Buddy(const QString& caption, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

QComboBox* ListBox(QWidget* parent, const char* name, std::initializer_list<const char*> texts)
{
    auto* box = Named(new QComboBox(parent), name);
    for (const char* text : texts)
        box->addItem(Tr(text));
    return box;
}

QListWidget* CheckList(QWidget* parent, const char* name, const QStringList& items,
                       const QString& accessibleName)
{
    auto* list = Named(new QListWidget(parent), name);
    list->setAccessibleName(accessibleName);
    for (const QString& text : items) {
        auto* item = new QListWidgetItem(text, list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    list->setMaximumHeight(110);
    return list;
}

int CheckedMask(const QListWidget* list)
{
    int mask = 0;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            mask |= 1 << i;
    return mask;
}

void SetCheckedMask(QListWidget* list, int mask)
{
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState((mask >> i) & 1 ? Qt::Checked : Qt::Unchecked);
}

int BoxesMask(const QList<QCheckBox*>& boxes)
{
    int mask = 0;
    for (qsizetype i = 0; i < boxes.size(); ++i)
        if (boxes[i]->isChecked())
            mask |= 1 << i;
    return mask;
}

void SetBoxesMask(const QList<QCheckBox*>& boxes, int mask)
{
    for (qsizetype i = 0; i < boxes.size(); ++i)
        boxes[i]->setChecked((mask >> i) & 1);
}

QStringList DayNames()
{
    QStringList names;
    for (int day = 1; day <= 7; ++day)
        names << QLocale().dayName(day, QLocale::LongFormat);
    return names;
}

QDateTime WholeMinute(const QDateTime& value)
{
    return QDateTime(value.date(), QTime(value.time().hour(), value.time().minute()));
}

QString CurrentAccount()
{
    return QString::fromStdString(GetSamUserName());
}

} // namespace

QString DefaultWakeUpQuery()
{
    return QStringLiteral(
        "<QueryList><Query Id=\"0\" Path=\"System\"><Select Path=\"System\">*[System[Provider"
        "[@Name='Microsoft-Windows-Kernel-Power'] and (EventID=107 or EventID=507)]]</Select>"
        "</Query></QueryList>");
}

TTaskScheduleForm::TTaskScheduleForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TTaskScheduleDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(Tr("Scheduled Task Wizard"));
    wut = DefaultWakeUpQuery();

    edJobName = Named(new QLineEdit(this), "edJobName");
    edJobName->setReadOnly(true);
    laBackend = Named(new QLabel(this), "laBackend");
    laBackend->setWordWrap(true);
    btLinger = Named(new QPushButton(Tr("Run also while logged out"), this), "btLinger");
    btLinger->setAutoDefault(false);
    btLinger->hide();
    connect(btLinger, &QPushButton::clicked, this, [this] { TurnLingerOn(); });

    pcPages = Named(new QStackedWidget(this), "pcPages");
    pcPages->addWidget(BuildProgramPage());
    pcPages->addWidget(BuildSchedulePage());
    pcPages->addWidget(BuildUserPage());

    btnBack = Named(new QPushButton(Tr("Back"), this), "btnBack");
    btnNext = Named(new QPushButton(Tr("Next"), this), "btnNext");
    btnCancel = Named(new QPushButton(Tr("Cancel"), this), "btnCancel");
    btnNext->setDefault(true);
    btnBack->setAutoDefault(false);
    btnCancel->setAutoDefault(false);
    connect(btnBack, &QPushButton::clicked, this, [this] { GoBack(); });
    connect(btnNext, &QPushButton::clicked, this, [this] { GoNext(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });

    auto* header = new QGridLayout;
    header->addWidget(Buddy(Tr("Name of scheduled task:"), edJobName, this), 0, 0);
    header->addWidget(edJobName, 0, 1);
    header->addWidget(laBackend, 1, 0, 1, 2);
    header->addWidget(btLinger, 2, 1, Qt::AlignLeft);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnBack);
    buttons->addWidget(btnNext);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(pcPages, 1);
    layout->addLayout(buttons);
    LinkPickers();
    ResetControls(QDateTime::currentDateTime());
}

TTaskScheduleForm::~TTaskScheduleForm() = default;

QWidget* TTaskScheduleForm::BuildProgramPage()
{
    tsProgram = Named(new QWidget(this), "tsProgram");
    edTasks = Named(new QLineEdit(tsProgram), "edTasks");
    laTasks = Buddy(QString(), edTasks, tsProgram);
    btnTask = Named(new QPushButton(Tr("Add backup task"), tsProgram), "btnTask");
    edOptions = Named(new QLineEdit(tsProgram), "edOptions");
    edOptions->setReadOnly(true);
    edUserOptions = Named(new QLineEdit(tsProgram), "edUserOptions");
    edWorkDir = Named(new QLineEdit(tsProgram), "edWorkDir");
    btWorkDir = Named(new QPushButton(QStringLiteral("..."), tsProgram), "btWorkDir");
    btWorkDir->setAccessibleName(Tr("Select backup directory"));
    btWorkDir->setToolTip(Tr("Select backup directory"));
    edIniFile = Named(new QLineEdit(tsProgram), "edIniFile");
    cbxPrompt = ListBox(
        tsProgram, "cbxPrompt",
        {kPromptTexts[0], kPromptTexts[1], kPromptTexts[2], kPromptTexts[3], kPromptTexts[4]});
    reWait = Named(new QSpinBox(tsProgram), "reWait");
    reWait->setRange(1, 99);
    cbHide = Named(new QCheckBox(Tr("No splash screen"), tsProgram), "cbHide");
    rgEnd = Named(new QGroupBox(Tr("Subsequent action"), tsProgram), "rgEnd");
    FEndGroup = new QButtonGroup(rgEnd);
    auto* ends = new QVBoxLayout(rgEnd);
    for (int i = 0; i < 6; ++i) {
        auto* radio = new QRadioButton(Tr(kEndTexts[i]), rgEnd);
        radio->setObjectName(QStringLiteral("rbEnd%1").arg(i));
        FEndGroup->addButton(radio, i);
        ends->addWidget(radio);
    }
    bbErrorAction = Named(new QPushButton(Tr("Error handling"), rgEnd), "bbErrorAction");
    ends->addWidget(bbErrorAction);
    cbLog = ListBox(tsProgram, "cbLog", {kLogTexts[0], kLogTexts[1], kLogTexts[2], kLogTexts[3]});
    cbParallel = Named(new QCheckBox(Tr("Parallel processing of tasks"), tsProgram), "cbParallel");
    cbxPriority = ListBox(tsProgram, "cbxPriority",
                          {kPriorityTexts[0], kPriorityTexts[1], kPriorityTexts[2]});
    edUserOptions->setPlaceholderText(Tr("Further options"));
    edUserOptions->setAccessibleName(Tr("Further options"));

    auto* form = new QGridLayout(tsProgram);
    int row = 0;
    auto addRow = [&](QWidget* label, QWidget* field, QWidget* extra = nullptr) {
        form->addWidget(label, row, 0);
        form->addWidget(field, row, 1);
        if (extra)
            form->addWidget(extra, row, 2);
        ++row;
    };
    addRow(laTasks, edTasks, btnTask);
    addRow(Buddy(Tr("Command line parameters:"), edOptions, tsProgram), edOptions);
    addRow(Buddy(Tr("Further options:"), edUserOptions, tsProgram), edUserOptions);
    addRow(Buddy(Tr("Start in (optional):"), edWorkDir, tsProgram), edWorkDir, btWorkDir);
    addRow(Buddy(Tr("Ini file:"), edIniFile, tsProgram), edIniFile);
    addRow(Buddy(Tr("Status window:"), cbxPrompt, tsProgram), cbxPrompt);
    addRow(Buddy(Tr("Close after:"), reWait, tsProgram), reWait);
    addRow(Buddy(Tr("Log mode"), cbLog, tsProgram), cbLog);
    addRow(Buddy(Tr("Process priority"), cbxPriority, tsProgram), cbxPriority);
    form->addWidget(cbHide, row++, 1);
    form->addWidget(cbParallel, row++, 1);
    form->addWidget(rgEnd, row++, 1);
    form->setRowStretch(row, 1);

    for (QLineEdit* edit : {edUserOptions, edIniFile})
        connect(edit, &QLineEdit::textChanged, this, [this] { OptionsChanged(); });
    for (QComboBox* box : {cbxPrompt, cbLog, cbxPriority})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { OptionsChanged(); });
    for (QCheckBox* box : {cbHide, cbParallel})
        connect(box, &QCheckBox::toggled, this, [this] { OptionsChanged(); });
    connect(reWait, &QSpinBox::valueChanged, this, [this] { OptionsChanged(); });
    connect(FEndGroup, &QButtonGroup::idToggled, this, [this] { OptionsChanged(); });
    connect(bbErrorAction, &QPushButton::clicked, this, [this] { EditErrorActionsClicked(); });
    connect(btWorkDir, &QPushButton::clicked, this, [this] { SelectWorkDir(); });
    return tsProgram;
}

QPushButton* TTaskScheduleForm::AdvancedButton(QWidget* parent, const char* name)
{
    auto* button = Named(new QPushButton(Tr("Advanced settings ..."), parent), name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this] { EditAdvancedSettings(AdvSet); });
    return button;
}

QWidget* TTaskScheduleForm::BuildSchedulePage()
{
    tsSchedule = Named(new QWidget(this), "tsSchedule");
    rgCycle = Named(new QGroupBox(Tr("Perform this task:"), tsSchedule), "rgCycle");
    FCycleGroup = new QButtonGroup(rgCycle);
    auto* cycles = new QVBoxLayout(rgCycle);
    for (int i = 0; i < 6; ++i) {
        auto* radio = new QRadioButton(Tr(kCycleTexts[i]), rgCycle);
        radio->setObjectName(QStringLiteral("rbCycle%1").arg(i));
        FCycleGroup->addButton(radio, i);
        cycles->addWidget(radio);
    }
    cycles->addStretch();
    cbEnabled = Named(new QCheckBox(Tr("Schedule enabled"), tsSchedule), "cbEnabled");
    laTrigger = Named(new QLabel(tsSchedule), "laTrigger");
    pcSteps = Named(new QStackedWidget(tsSchedule), "pcSteps");
    pcSteps->addWidget(BuildDailyStep());
    pcSteps->addWidget(BuildWeeklyStep());
    pcSteps->addWidget(BuildMonthlyStep());
    pcSteps->addWidget(BuildOneTimeStep());
    pcSteps->addWidget(BuildEventStep());
    auto* right = new QVBoxLayout;
    right->addWidget(laTrigger);
    right->addWidget(pcSteps, 1);
    right->addWidget(cbEnabled);
    auto* layout = new QHBoxLayout(tsSchedule);
    layout->addWidget(rgCycle);
    layout->addLayout(right, 1);
    connect(FCycleGroup, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            ShowStep();
    });
    return tsSchedule;
}

QWidget* TTaskScheduleForm::BuildDailyStep()
{
    auto* page = Named(new QWidget(this), "tsDaily");
    dpStartDaily = Named(new QDateEdit(page), "dpStartDaily");
    tpStartDaily = Named(new QTimeEdit(page), "tpStartDaily");
    rbEveryDay = Named(new QRadioButton(Tr("Every day"), page), "rbEveryDay");
    rbSkipDays = Named(new QRadioButton(Tr("Every"), page), "rbSkipDays");
    reDays = Named(new QSpinBox(page), "reDays");
    reDays->setRange(2, 99);
    reDays->setAccessibleName(Tr("Number of days"));
    auto* grid = new QGridLayout(page);
    grid->addWidget(Buddy(Tr("Start date:"), dpStartDaily, page), 0, 0);
    grid->addWidget(dpStartDaily, 0, 1);
    grid->addWidget(Buddy(Tr("Start time:"), tpStartDaily, page), 1, 0);
    grid->addWidget(tpStartDaily, 1, 1);
    grid->addWidget(rbEveryDay, 2, 0);
    grid->addWidget(rbSkipDays, 3, 0);
    grid->addWidget(reDays, 3, 1);
    grid->addWidget(new QLabel(Tr("day(s)"), page), 3, 2);
    grid->addWidget(AdvancedButton(page, "btAdvDaily"), 4, 0, 1, 3, Qt::AlignLeft);
    grid->setRowStretch(5, 1);
    connect(rbEveryDay, &QRadioButton::toggled, this, [this] { UpdateStates(); });
    return page;
}

QWidget* TTaskScheduleForm::BuildWeeklyStep()
{
    auto* page = Named(new QWidget(this), "tsWeekly");
    dpStartWeekly = Named(new QDateEdit(page), "dpStartWeekly");
    tpStartWeekly = Named(new QTimeEdit(page), "tpStartWeekly");
    reWeeks = Named(new QSpinBox(page), "reWeeks");
    reWeeks->setRange(1, 99);
    auto* grid = new QGridLayout(page);
    grid->addWidget(Buddy(Tr("Start date:"), dpStartWeekly, page), 0, 0);
    grid->addWidget(dpStartWeekly, 0, 1, 1, 2);
    grid->addWidget(Buddy(Tr("Start time:"), tpStartWeekly, page), 1, 0);
    grid->addWidget(tpStartWeekly, 1, 1, 1, 2);
    grid->addWidget(Buddy(Tr("Every (weeks):"), reWeeks, page), 2, 0);
    grid->addWidget(reWeeks, 2, 1);
    const QStringList days = DayNames();
    for (int i = 0; i < 7; ++i) {
        auto* box = Named(new QCheckBox(days[i], page), kWeekdayBoxes[i]);
        cbWeekdays << box;
        grid->addWidget(box, 3 + i / 3, i % 3);
    }
    for (QCheckBox* box : cbWeekdays)
        connect(box, &QCheckBox::clicked, this,
                [this] { KeepOneChecked(cbWeekdays, cbWeekdays.first()); });
    grid->addWidget(AdvancedButton(page, "btAdvWeekly"), 6, 0, 1, 3, Qt::AlignLeft);
    grid->setRowStretch(7, 1);
    return page;
}

QWidget* TTaskScheduleForm::BuildMonthlyStep()
{
    auto* page = Named(new QWidget(this), "tsMonthly");
    dpStartMonthly = Named(new QDateEdit(page), "dpStartMonthly");
    tpStartMonthly = Named(new QTimeEdit(page), "tpStartMonthly");
    rbDayOfMonth = Named(new QRadioButton(Tr("Days:"), page), "rbDayOfMonth");
    rbSpecialday = Named(new QRadioButton(Tr("On:"), page), "rbSpecialday");
    QStringList days;
    for (int d = 1; d <= 31; ++d)
        days << QString::number(d);
    days << Tr("Last");
    ccMonthDays = CheckList(page, "ccMonthDays", days, Tr("Days of the month"));
    QStringList weeks;
    for (const char* week : kWeekNames)
        weeks << Tr(week);
    ccMonthStart = CheckList(page, "ccMonthStart", weeks, Tr("Weeks of the month"));
    ccWeekdays = CheckList(page, "ccWeekdays", DayNames(), Tr("Days of the week"));
    auto* grid = new QGridLayout(page);
    grid->addWidget(Buddy(Tr("Start date:"), dpStartMonthly, page), 0, 0);
    grid->addWidget(dpStartMonthly, 0, 1, 1, 2);
    grid->addWidget(Buddy(Tr("Start time:"), tpStartMonthly, page), 1, 0);
    grid->addWidget(tpStartMonthly, 1, 1, 1, 2);
    grid->addWidget(rbDayOfMonth, 2, 0);
    grid->addWidget(ccMonthDays, 2, 1, 1, 2);
    grid->addWidget(rbSpecialday, 3, 0);
    grid->addWidget(ccMonthStart, 3, 1);
    grid->addWidget(ccWeekdays, 3, 2);
    auto* months = new QGridLayout;
    for (int m = 0; m < 12; ++m) {
        auto* box = Named(new QCheckBox(QLocale().monthName(m + 1, QLocale::ShortFormat), page),
                          kMonthBoxes[m]);
        cbMonths << box;
        months->addWidget(box, m / 6, m % 6);
        connect(box, &QCheckBox::clicked, this,
                [this] { KeepOneChecked(cbMonths, cbMonths.first()); });
    }
    grid->addLayout(months, 4, 0, 1, 3);
    grid->addWidget(AdvancedButton(page, "btAdvMonthly"), 5, 0, 1, 3, Qt::AlignLeft);
    connect(rbDayOfMonth, &QRadioButton::toggled, this, [this] { UpdateStates(); });
    return page;
}

QWidget* TTaskScheduleForm::BuildOneTimeStep()
{
    auto* page = Named(new QWidget(this), "tsOneTime");
    dpOneTime = Named(new QDateEdit(page), "dpOneTime");
    tpOneTime = Named(new QTimeEdit(page), "tpOneTime");
    cbRandom = Named(new QCheckBox(Tr("Delay task for up to (random delay):"), page), "cbRandom");
    reRandom = std::make_unique<TUnitField>(page, "reRandom", "cbRndUnit",
                                            std::initializer_list{tuSeconds, tuMinutes, tuHours},
                                            DelayUnitPreset);
    auto* grid = new QGridLayout(page);
    grid->addWidget(Buddy(Tr("Start date:"), dpOneTime, page), 0, 0);
    grid->addWidget(dpOneTime, 0, 1, 1, 2);
    grid->addWidget(Buddy(Tr("Start time:"), tpOneTime, page), 1, 0);
    grid->addWidget(tpOneTime, 1, 1, 1, 2);
    grid->addWidget(cbRandom, 2, 0);
    grid->addWidget(reRandom->value, 2, 1);
    grid->addWidget(reRandom->unit, 2, 2);
    grid->addWidget(AdvancedButton(page, "btAdvOneTime"), 3, 0, 1, 3, Qt::AlignLeft);
    grid->setRowStretch(4, 1);
    connect(cbRandom, &QCheckBox::toggled, this, [this] { UpdateStates(); });
    return page;
}

QWidget* TTaskScheduleForm::BuildEventStep()
{
    auto* page = Named(new QWidget(this), "tsEvent");
    laEventTitle = Named(new QLabel(page), "laEventTitle");
    cbActivate = Named(new QCheckBox(Tr("Activate:"), page), "cbActivate");
    dpEventTime = Named(new QDateEdit(page), "dpEventTime");
    dpEventTime->setAccessibleName(Tr("Activation date"));
    tpEventTime = Named(new QTimeEdit(page), "tpEventTime");
    tpEventTime->setAccessibleName(Tr("Activation time"));
    cbDelay = Named(new QCheckBox(Tr("Delay task for:"), page), "cbDelay");
    reDelay = std::make_unique<TUnitField>(page, "reDelay", "cbDelUnit",
                                           std::initializer_list{tuSeconds, tuMinutes, tuHours},
                                           DelayUnitPreset);
    laUser = Named(new QLabel(page), "laUser");
    btEventEdit = Named(new QPushButton(Tr("Edit event query ..."), page), "btEventEdit");
    btEventReset = Named(new QPushButton(Tr("Default event query"), page), "btEventReset");
    auto* grid = new QGridLayout(page);
    grid->addWidget(laEventTitle, 0, 0);
    grid->addWidget(laUser, 0, 1, 1, 2);
    grid->addWidget(cbActivate, 1, 0);
    grid->addWidget(dpEventTime, 1, 1);
    grid->addWidget(tpEventTime, 1, 2);
    grid->addWidget(cbDelay, 2, 0);
    grid->addWidget(reDelay->value, 2, 1);
    grid->addWidget(reDelay->unit, 2, 2);
    grid->addWidget(btEventEdit, 3, 0);
    grid->addWidget(btEventReset, 3, 1);
    grid->addWidget(AdvancedButton(page, "btAdvEvent"), 4, 0, 1, 3, Qt::AlignLeft);
    grid->setRowStretch(5, 1);
    for (QCheckBox* box : {cbActivate, cbDelay})
        connect(box, &QCheckBox::toggled, this, [this] { UpdateStates(); });
    connect(btEventEdit, &QPushButton::clicked, this, [this] { EditEventQuery(); });
    connect(btEventReset, &QPushButton::clicked, this, [this] { wut = DefaultWakeUpQuery(); });
    return page;
}

QWidget* TTaskScheduleForm::BuildUserPage()
{
    tsUser = Named(new QWidget(this), "tsUser");
    leDesc = Named(new QLineEdit(tsUser), "leDesc");
    rbLoggedUser = Named(new QRadioButton(Tr("As logged-on user"), tsUser), "rbLoggedUser");
    rbAnyUser = Named(new QRadioButton(Tr("As any user with password"), tsUser), "rbAnyUser");
    edUser = Named(new QLineEdit(tsUser), "edUser");
    edUser->setAccessibleName(Tr("User name"));
    edPwd = Named(new QLineEdit(tsUser), "edPwd");
    edPwd->setEchoMode(QLineEdit::Password);
    laPwd = Buddy(Tr("Password:"), edPwd, tsUser);
    cbRunLevel = Named(new QCheckBox(Tr("Run with highest privileges"), tsUser), "cbRunLevel");
    auto* grid = new QGridLayout(tsUser);
    grid->addWidget(Buddy(Tr("Description:"), leDesc, tsUser), 0, 0);
    grid->addWidget(leDesc, 0, 1);
    grid->addWidget(rbLoggedUser, 1, 0, 1, 2);
    grid->addWidget(rbAnyUser, 2, 0, 1, 2);
    grid->addWidget(Buddy(Tr("User name:"), edUser, tsUser), 3, 0);
    grid->addWidget(edUser, 3, 1);
    grid->addWidget(laPwd, 4, 0);
    grid->addWidget(edPwd, 4, 1);
    grid->addWidget(cbRunLevel, 5, 0, 1, 2);
    grid->setRowStretch(6, 1);
    connect(rbLoggedUser, &QRadioButton::toggled, this, [this] { AccountChanged(); });
    connect(edUser, &QLineEdit::textChanged, laUser, &QLabel::setText);
    return tsUser;
}

void TTaskScheduleForm::LinkPickers()
{
    const QList<QDateEdit*> dates = {dpStartDaily, dpStartWeekly, dpStartMonthly, dpOneTime,
                                     dpEventTime};
    const QList<QTimeEdit*> times = {tpStartDaily, tpStartWeekly, tpStartMonthly, tpOneTime,
                                     tpEventTime};
    for (QDateEdit* date : dates) {
        date->setCalendarPopup(true);
        connect(date, &QDateEdit::dateChanged, this, [this, dates](const QDate& value) {
            if (FSyncing)
                return;
            FSyncing = true;
            for (QDateEdit* other : dates)
                other->setDate(value);
            FSyncing = false;
        });
    }
    for (QTimeEdit* time : times) {
        time->setDisplayFormat(HourMinuteFormat());
        connect(time, &QTimeEdit::timeChanged, this, [this, times](const QTime& value) {
            if (FSyncing)
                return;
            FSyncing = true;
            for (QTimeEdit* other : times)
                other->setTime(value);
            FSyncing = false;
        });
    }
}

void TTaskScheduleForm::SetPickers(const QDateTime& value)
{
    dpStartDaily->setDate(value.date());
    tpStartDaily->setTime(value.time());
}

void TTaskScheduleForm::Prepare(TKvAction kind, const QString& folder, ITaskBackend* backend)
{
    KvAction = kind;
    FPath = folder;
    ShowProgPage = ShowsProgramPage(kind);
    setWindowTitle(Tr("Windows Scheduled Task Wizard") + QStringLiteral(" (") + KvActionText(kind) +
                   u')');
    if (kind == kaSchedule)
        laTasks->setText(Tr("Name of alternating schedule:"));
    else if (kind == kaStarter || kind == kaTbBackup)
        laTasks->clear();
    else
        laTasks->setText(Fmt(Tr("Tasks (%s):"), {KvActionText(kind)}));
    btnTask->setVisible(kind != kaSchedule && kind != kaStarter && kind != kaTbBackup);
    edTasks->setReadOnly(btnTask->isHidden());
    bbErrorAction->setVisible(kind == kaBackup);
    ShowBackend(backend);
    ShowPage(ShowProgPage ? wpProgram : wpSchedule);
}

void TTaskScheduleForm::ShowBackend(ITaskBackend* backend)
{
    btLinger->hide();
    if (!backend) {
        laBackend->clear();
        return;
    }
    QString text = Fmt(Tr("The task is run by: %s."), {backend->Description()});
    if (!backend->FiresTasks())
        text += u' ' + Tr("No scheduler runs on this computer: the task will not run by itself, "
                          "only when it is started from the list of tasks.");
    if (dynamic_cast<TTaskSystemdStore*>(backend)) {
        bool linger = true;
        try {
            const QString user = QString::fromStdString(GetLoginUserName());
            linger = LingerRunner() ? LingerEnabled(user, LingerRunner()) : LingerEnabled(user);
        } catch (const EOleSysError&) {
            linger = false;
        }
        if (!linger) {
            text += u' ' + Tr("It runs only while you are logged in.");
            btLinger->show();
        }
    }
    laBackend->setText(text);
}

void TTaskScheduleForm::TurnLingerOn()
{
    try {
        const QString user = QString::fromStdString(GetLoginUserName());
        if (LingerRunner())
            EnableLinger(user, LingerRunner());
        else
            EnableLinger(user);
    } catch (const EOleSysError& error) {
        ErrorMessage(Tr("The task could not be set to run while you are logged out:") + u'\n' +
                     error.Message());
        return;
    }
    btLinger->hide();
    laBackend->setText(
        laBackend->text().remove(u' ' + Tr("It runs only while you are logged in.")));
}

void TTaskScheduleForm::ResetControls(const QDateTime& now)
{
    SetOptions(TSchedOptions());
    edIniFile->clear();
    edUserOptions->clear();
    cbEnabled->setChecked(true);
    SetPickers(now);
    rbEveryDay->setChecked(true);
    reDays->setValue(2);
    AdvSet = DefaultAdvancedSettings(now);
    ActErr = 0;
    reRandom->Set(DelayUnitValue(30));
    cbRandom->setChecked(false);
    cbActivate->setChecked(true);
    reDelay->Set(DelayUnitValue(30));
    cbDelay->setChecked(false);
    reWeeks->setValue(1);
    SetBoxesMask(cbWeekdays, 1);
    rbDayOfMonth->setChecked(true);
    SetCheckedMask(ccMonthDays, 1);
    SetCheckedMask(ccMonthStart, 1);
    SetCheckedMask(ccWeekdays, 1);
    SetBoxesMask(cbMonths, 0xFFF);
    rbLoggedUser->setChecked(true);
    cbRunLevel->setChecked(false);
    edPwd->clear();
    wut = DefaultWakeUpQuery();
    laTrigger->setText(Tr("New schedule"));
    SetCycle(cyDaily);
    AccountChanged();
    UpdateStates();
}

TSchedOptions TTaskScheduleForm::Options() const
{
    TSchedOptions options;
    options.hide = cbHide->isChecked();
    options.prompt = cbxPrompt->currentIndex();
    options.wait = reWait->value();
    options.parallel = cbParallel->isChecked();
    options.logMode = cbLog->currentIndex();
    options.priority = cbxPriority->currentIndex();
    options.endAction = qMax(0, FEndGroup->checkedId());
    options.errorActions = ActErr;
    options.iniFile = edIniFile->text().trimmed();
    return options;
}

void TTaskScheduleForm::SetOptions(const TSchedOptions& options)
{
    cbHide->setChecked(options.hide);
    cbxPrompt->setCurrentIndex(options.prompt);
    reWait->setValue(options.wait);
    cbParallel->setChecked(options.parallel);
    cbLog->setCurrentIndex(options.logMode);
    cbxPriority->setCurrentIndex(options.priority);
    FEndGroup->button(options.endAction)->setChecked(true);
    ActErr = options.errorActions;
    edIniFile->setText(options.iniFile);
    OptionsChanged();
}

void TTaskScheduleForm::OptionsChanged()
{
    const int end = FEndGroup->checkedId();
    bbErrorAction->setEnabled(end > eaNone);
    bbErrorAction->setToolTip(
        end > eaNone ? Fmt(Tr("Disable %s on errors"), {FEndGroup->button(end)->text()})
                     : QString());
    reWait->setEnabled(PromptUsesWait(cbxPrompt->currentIndex()));
    edOptions->setText(BuildSchedOptions(KvAction, Options(), false).trimmed());
}

void TTaskScheduleForm::UpdateStates()
{
    reDays->setEnabled(rbSkipDays->isChecked());
    const bool byDays = rbDayOfMonth->isChecked();
    ccMonthDays->setEnabled(byDays);
    ccMonthStart->setEnabled(!byDays);
    ccWeekdays->setEnabled(!byDays);
    reRandom->SetEnabled(cbRandom->isChecked());
    reDelay->SetEnabled(cbDelay->isChecked());
    dpEventTime->setEnabled(cbActivate->isChecked());
    tpEventTime->setEnabled(cbActivate->isChecked());
}

void TTaskScheduleForm::AccountChanged()
{
    const bool logged = rbLoggedUser->isChecked();
    if (logged)
        edUser->setText(CurrentAccount());
    edUser->setEnabled(!logged);
    edPwd->setVisible(!logged);
    laPwd->setVisible(!logged);
}

void TTaskScheduleForm::KeepOneChecked(const QList<QCheckBox*>& boxes, QCheckBox* fallback)
{
    if (BoxesMask(boxes) == 0)
        fallback->setChecked(true);
}

void TTaskScheduleForm::EditErrorActionsClicked()
{
    const int end = FEndGroup->checkedId();
    if (end <= eaNone)
        return;
    int mask = ActErr;
    if (EditErrorActions(kCentreOnMainWindow, FEndGroup->button(end)->text(), mask)) {
        ActErr = mask;
        OptionsChanged();
    }
}

void TTaskScheduleForm::SelectWorkDir()
{
    QString dir = edWorkDir->text().trimmed();
    if (dir.isEmpty())
        dir = QFileInfo(ScheduledProgramPath()).absolutePath();
    if (SelectFolder(Tr("Select backup directory"), false, false, dir, QString()))
        edWorkDir->setText(dir);
}

void TTaskScheduleForm::EditEventQuery()
{
    QString text = wut;
    text.replace(QStringLiteral("><"), QStringLiteral(">\n<"));
    bool ok = false;
    text = QInputDialog::getMultiLineText(this, laEventTitle->text(),
                                          Tr("Query string to select the event:"), text, &ok);
    if (ok)
        wut = text.remove(u'\n').remove(u'\r');
}

TWizardPage TTaskScheduleForm::Page() const
{
    return TWizardPage(pcPages->currentIndex());
}

TCycle TTaskScheduleForm::Cycle() const
{
    return TCycle(qMax(0, FCycleGroup->checkedId()));
}

void TTaskScheduleForm::SetCycle(TCycle cycle)
{
    FCycleGroup->button(cycle)->setChecked(true);
    ShowStep();
}

void TTaskScheduleForm::ShowStep()
{
    const TCycle cycle = Cycle();
    pcSteps->setCurrentIndex(qMin(int(cycle), int(cyLogon)));
    const bool logon = cycle == cyLogon;
    laEventTitle->setText(logon ? Tr("On logon of:") : Tr("On waking up the computer:"));
    laUser->setVisible(logon);
    btEventEdit->setVisible(!logon);
    btEventReset->setVisible(!logon);
}

void TTaskScheduleForm::ShowPage(TWizardPage page)
{
    pcPages->setCurrentIndex(page);
    const TWizardPage first = ShowProgPage ? wpProgram : wpSchedule;
    btnBack->setEnabled(page != first);
    btnNext->setText(page == wpUser ? Tr("Done") : Tr("Next"));
    if (page == wpUser && edPwd->isVisible())
        edPwd->setFocus();
}

void TTaskScheduleForm::GoNext()
{
    switch (Page()) {
    case wpProgram: {
        const QStringList tasks = SplitTaskList(edTasks->text());
        if (tasks.isEmpty()) {
            ErrorMessage(Tr("No tasks specified!"));
            edTasks->setFocus();
            return;
        }
        if (KvAction != kaSchedule && KvAction != kaTbBackup) {
            for (QString file : tasks) {
                file = SplitCommandLine(file).join(u' ');
                if (!QFileInfo(file).isAbsolute())
                    file = FPath + file;
                if (QFileInfo(file).suffix().isEmpty())
                    file += KvActionExtension(KvAction);
                if (!QFileInfo::exists(file)) {
                    ErrorMessage(Tr("File not found:") + u'\n' + file);
                    return;
                }
            }
        }
        ShowPage(wpSchedule);
        return;
    }
    case wpSchedule:
        ShowPage(wpUser);
        return;
    case wpUser:
        laUser->setText(edUser->text());
        accept();
        return;
    }
}

void TTaskScheduleForm::GoBack()
{
    if (Page() == wpUser)
        ShowPage(wpSchedule);
    else if (Page() == wpSchedule && ShowProgPage)
        ShowPage(wpProgram);
}

void TTaskScheduleForm::SetDelay(QCheckBox* box, TUnitField& field, std::uint32_t seconds)
{
    box->setChecked(seconds != 0);
    field.Set(seconds != 0 ? DelayUnitValue(seconds) : DelayUnitValue(30));
}

bool TTaskScheduleForm::LoadTask(const QString& taskName, TWinTask& task, int trigger, bool isNew,
                                 QString& unsupported)
{
    const QDateTime now = QDateTime::currentDateTime();
    ResetControls(now);
    edJobName->setText(taskName);
    leDesc->setText(task.Description());
    (task.LogonType() == ltToken ? rbLoggedUser : rbAnyUser)->setChecked(true);
    AccountChanged();
    cbRunLevel->setChecked(task.HighestRunLevel());
    if (task.IndexOfNextExecAction(0) < 0)
        task.NewAction(taExec);
    const TWinTaskAction& action = task.Actions(task.SelectedAction());
    edWorkDir->setText(UnquotedExecPath(action.ExecWorkingDirectory()));
    edWorkDir->setToolTip(edWorkDir->text());
    FArguments = action.ExecArguments();
    if (ShowProgPage) {
        // A stored task shows what its arguments say: an option it lacks is off.
        TSchedOptions start;
        start.hide = isNew;
        FParsed = ParseSchedArguments(FArguments, KvAction, FPath, start);
        SetOptions(FParsed.options);
        edTasks->setText(FParsed.tasks.join(QStringLiteral(", ")));
        edUserOptions->setText(FParsed.userOptions);
    }
    OptionsChanged();
    if (!task.UserId().isEmpty())
        edUser->setText(task.UserId());
    ReadTaskSettings(task, AdvSet);
    if (trigger < 0 || trigger >= task.TriggerCount()) {
        laTrigger->setText(Tr("New schedule"));
        SetCycle(cyDaily);
        return true;
    }
    const TWinTaskTrigger& t = task.Triggers(trigger);
    const TWinTaskTriggerType type = t.TriggerType();
    const bool editable = (type >= ttEvent && type <= ttMonthlyDow) ||
                          (type == ttLogon && !t.LogonUserId().isEmpty());
    if (!editable) {
        unsupported = t.TriggerTypeAsString();
        return false;
    }
    laTrigger->setText(TriggerCaption(trigger));
    LoadTrigger(t, task.Date());
    return true;
}

void TTaskScheduleForm::LoadTrigger(const TWinTaskTrigger& t, const QDateTime& registered)
{
    const QDateTime now = QDateTime::currentDateTime();
    cbEnabled->setChecked(t.Enabled());
    const bool started = IsDateTimeSet(t.StartTime());
    SetPickers(started ? t.StartTime() : WholeMinute(now));
    ReadTriggerSettings(t, registered, now, AdvSet);
    switch (t.TriggerType()) {
    case ttEvent:
    case ttLogon:
        if (t.TriggerType() == ttEvent)
            wut = t.Subscription();
        else
            laUser->setText(t.LogonUserId().isEmpty() ? edUser->text() : t.LogonUserId());
        SetCycle(t.TriggerType() == ttEvent ? cyWakeUp : cyLogon);
        cbActivate->setChecked(started);
        SetDelay(cbDelay, *reDelay, t.Delay());
        break;
    case ttTime:
        SetCycle(cyOneTime);
        SetDelay(cbRandom, *reRandom, t.RandomDelay());
        break;
    case ttDaily:
        SetCycle(cyDaily);
        (t.DaysInterval() <= 1 ? rbEveryDay : rbSkipDays)->setChecked(true);
        reDays->setValue(qMax<int>(2, t.DaysInterval()));
        break;
    case ttWeekly:
        SetCycle(cyWeekly);
        reWeeks->setValue(t.WeeksInterval());
        SetBoxesMask(cbWeekdays, SundayFirstToMondayFirst(t.DaysOfWeek()));
        break;
    case ttMonthly:
        SetCycle(cyMonthly);
        rbDayOfMonth->setChecked(true);
        SetCheckedMask(ccMonthDays,
                       (t.DaysOfMonth() & 0x7FFFFFFF) | (t.RunOnLastDayOfMonth() ? 1 << 31 : 0));
        SetBoxesMask(cbMonths, t.MonthsOfYear());
        break;
    case ttMonthlyDow:
        SetCycle(cyMonthly);
        rbSpecialday->setChecked(true);
        SetCheckedMask(ccMonthStart, t.WeeksOfMonth());
        SetCheckedMask(ccWeekdays, SundayFirstToMondayFirst(t.DaysOfWeek()));
        SetBoxesMask(cbMonths, t.MonthsOfYear());
        break;
    default:
        break;
    }
    UpdateStates();
}

QString TTaskScheduleForm::Arguments() const
{
    if (!ShowProgPage)
        return FArguments;
    return RebuildArguments(KvAction, SplitTaskList(edTasks->text()), Options(),
                            edUserOptions->text(), FPath);
}

void TTaskScheduleForm::SaveTask(TWinTask& task, int& trigger, const QString& taskName,
                                 const QString& key)
{
    task.SetDescription(leDesc->text());
    const bool ownKey = KvAction == kaSchedule || KvAction == kaStarter || KvAction == kaTbBackup;
    task.SetUserData(KvActionKey(KvAction) + (ownKey ? u'-' + key : QString()));
    task.SetLogonType(rbLoggedUser->isChecked() ? ltToken : ltPassword);
    task.SetHighestRunLevel(cbRunLevel->isChecked());
    WriteTaskSettings(AdvSet, task);

    if (task.IndexOfNextExecAction(0) < 0)
        task.NewAction(taExec);
    TWinTaskAction& action = task.Actions(task.SelectedAction());
    const QFileInfo own(ScheduledProgramPath());
    const QFileInfo current(UnquotedExecPath(action.ExecPath()));
    if (current.absolutePath().compare(own.absolutePath(), Qt::CaseInsensitive) != 0 ||
        current.fileName().isEmpty())
        action.SetExecPath(
            QuotedPath(own.absolutePath() + u'/' +
                       (current.fileName().isEmpty() ? own.fileName() : current.fileName())));
    action.SetExecWorkingDirectory(QuotedPath(edWorkDir->text().trimmed()));
    action.SetExecArguments(Arguments());

    constexpr TWinTaskTriggerType kTypes[] = {ttDaily, ttWeekly, ttMonthly,
                                              ttTime,  ttLogon,  ttEvent};
    TWinTaskTriggerType type = kTypes[Cycle()];
    if (type == ttMonthly && rbSpecialday->isChecked())
        type = ttMonthlyDow;
    if (trigger >= 0 && trigger < task.TriggerCount() &&
        task.Triggers(trigger).TriggerType() != type) {
        if (!task.DeleteTrigger(trigger)) {
            ErrorMessage(
                Fmt(Tr("Could not delete trigger (%u)\r\nTask: "), {QString::number(trigger)}) +
                taskName);
        } else {
            trigger = -1;
        }
    }
    if (trigger < 0 || trigger >= task.TriggerCount()) {
        task.NewTrigger(type);
        trigger = task.TriggerCount() - 1;
    }
    SaveTrigger(task.Triggers(trigger));
}

void TTaskScheduleForm::SaveTrigger(TWinTaskTrigger& t)
{
    t.SetEnabled(cbEnabled->isChecked());
    const auto start = [](QDateEdit* date, QTimeEdit* time) {
        return StartBoundary(date->dateTime(), time->dateTime());
    };
    QDateTime begin;
    switch (t.TriggerType()) {
    case ttTime:
        begin = start(dpOneTime, tpOneTime);
        t.SetRandomDelay(cbRandom->isChecked() ? UnitSeconds(reRandom->Get()) : 0);
        break;
    case ttDaily:
        begin = start(dpStartDaily, tpStartDaily);
        t.SetDaysInterval(short(rbEveryDay->isChecked() ? 1 : reDays->value()));
        break;
    case ttWeekly: {
        begin = start(dpStartWeekly, tpStartWeekly);
        t.SetWeeksInterval(reWeeks->value());
        const int days = BoxesMask(cbWeekdays);
        t.SetDaysOfWeek(MondayFirstToSundayFirst(days ? days : 1));
        break;
    }
    case ttMonthly: {
        begin = start(dpStartMonthly, tpStartMonthly);
        const int days = CheckedMask(ccMonthDays);
        t.SetDaysOfMonth(days ? days : 1);
        t.SetRunOnLastDayOfMonth((days & (1 << 31)) != 0);
        const int months = BoxesMask(cbMonths);
        t.SetMonthsOfYear(months ? months : 1);
        break;
    }
    case ttMonthlyDow: {
        begin = start(dpStartMonthly, tpStartMonthly);
        const int weeks = CheckedMask(ccMonthStart);
        t.SetWeeksOfMonth(weeks ? weeks : 1);
        const int days = CheckedMask(ccWeekdays);
        t.SetDaysOfWeek(MondayFirstToSundayFirst(days ? days : 1));
        const int months = BoxesMask(cbMonths);
        t.SetMonthsOfYear(months ? months : 1);
        break;
    }
    case ttEvent:
    case ttLogon:
        if (t.TriggerType() == ttEvent)
            t.SetSubscription(wut);
        else
            t.SetLogonUserId(laUser->text());
        begin = cbActivate->isChecked() ? start(dpEventTime, tpEventTime) : QDateTime();
        t.SetDelay(cbDelay->isChecked() ? UnitSeconds(reDelay->Get()) : 0);
        break;
    default:
        break;
    }
    t.SetStartTime(begin);
    WriteTriggerSettings(AdvSet, begin, t);
}

void TTaskScheduleForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        if (const QString failure = ShowHelpPage(QStringLiteral("kv-sched.html"));
            !failure.isEmpty())
            ErrorMessage(failure);
        return;
    }
    QDialog::keyPressEvent(event);
}

void SetTaskScheduleAnswerHook(std::function<void(TTaskScheduleForm&)> hook)
{
    AnswerHook() = std::move(hook);
}

void SetLingerToolRunner(TToolRunner runner)
{
    LingerRunner() = std::move(runner);
}

// Runs the form with the test hook when one is set.
int RunTaskScheduleForm(TTaskScheduleForm& form)
{
    if (AnswerHook())
        QTimer::singleShot(0, &form, [&form] { AnswerHook()(form); });
    return form.exec();
}

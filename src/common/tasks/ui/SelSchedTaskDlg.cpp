#include "common/tasks/ui/SelSchedTaskDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/infra/Translate.h"
#include "common/tasks/TaskSystemd.h"
#include "common/tasks/TaskTexts.h"
#include "common/tasks/ui/SystemdBus.h"
#include "common/tasks/ui/TaskSchedLogic.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/HelpPage.h"
#include "common/ui/ShowMessageDlg.h"

namespace {

std::function<void(TSelectSchedTaskDialog&)>& AnswerHook()
{
    static std::function<void(TSelectSchedTaskDialog&)> hook;
    return hook;
}

enum TColumn { coName, coStatus, coLastRun, coNextRun };
constexpr int kIndexRole = Qt::UserRole;
constexpr int kSortRole = Qt::UserRole + 1;

// A row that sorts names and states as text without case and times as date-times (a text
// that is no time comes first).
class TTaskRow : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (column == coLastRun || column == coNextRun) {
            const QDateTime a = data(column, kSortRole).toDateTime();
            const QDateTime b = other.data(column, kSortRole).toDateTime();
            if (a.isValid() != b.isValid())
                return !a.isValid();
            return a < b;
        }
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

QIcon StateBall(bool failed)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(failed ? QColor(0xd0, 0x30, 0x30) : QColor(0x30, 0xa0, 0x40));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(1, 1, 10, 10);
    return QIcon(pixmap);
}

// The error text of a last result, wrapped at 50 characters a line.
QString WrappedResultText(int result)
{
    QString wrapped, line;
    for (const QString& word : SchedulerErrorText(result).split(u' ')) {
        if (!line.isEmpty() && line.size() + word.size() + 1 > 50) {
            wrapped += line + u'\n';
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return wrapped + line;
}

QLineEdit* DetailField(QWidget* parent, const char* name)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    return field;
}

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

bool IsRunningState(int state)
{
    return state == TaskState::kRunning;
}

} // namespace

TSelectSchedTaskDialog::TSelectSchedTaskDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TSelectSchedTaskDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(Tr("Select Scheduled Task"));

    lvTasks = new QTreeWidget(this);
    lvTasks->setObjectName(QStringLiteral("lvTasks"));
    lvTasks->setAccessibleName(Tr("Scheduled tasks"));
    lvTasks->setRootIsDecorated(false);
    lvTasks->setUniformRowHeights(true);
    lvTasks->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvTasks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvTasks->setHeaderLabels({Tr("Name"), Tr("Status"), Tr("Last run time"), Tr("Next run time")});
    lvTasks->header()->setSectionsClickable(true);
    lvTasks->header()->setSortIndicatorShown(true);
    lvTasks->header()->setStretchLastSection(false);
    lvTasks->header()->setSectionResizeMode(coName, QHeaderView::Stretch);
    connect(lvTasks->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortByColumn(column); });
    connect(lvTasks, &QTreeWidget::currentItemChanged, this, [this] { ShowSelected(); });
    connect(lvTasks, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });

    gbDetails = new QGroupBox(this);
    gbDetails->setObjectName(QStringLiteral("gbDetails"));
    gbDetails->setTitle(Tr("Properties of task: "));
    edUserAccount = DetailField(gbDetails, "edUserAccount");
    edComment = DetailField(gbDetails, "edComment");
    edCreator = DetailField(gbDetails, "edCreator");
    edStatus = DetailField(gbDetails, "edStatus");
    edApplication = DetailField(gbDetails, "edApplication");
    edParameters = DetailField(gbDetails, "edParameters");
    edWorkDir = DetailField(gbDetails, "edWorkDir");
    tsStatus = new QCheckBox(gbDetails);
    tsStatus->setObjectName(QStringLiteral("tsStatus"));
    lbTriggers = new QListWidget(gbDetails);
    lbTriggers->setObjectName(QStringLiteral("lbTriggers"));
    lbTriggers->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lbTriggers->setAccessibleName(Tr("Time schedule:"));
    auto* form = new QFormLayout(gbDetails);
    form->addRow(Tr("User account:"), edUserAccount);
    form->addRow(Tr("Description:"), edComment);
    form->addRow(Tr("Creator:"), edCreator);
    form->addRow(Tr("Created:"), edStatus);
    form->addRow(Tr("Application:"), edApplication);
    form->addRow(Tr("Command line parameters:"), edParameters);
    form->addRow(Tr("Start in (optional):"), edWorkDir);
    form->addRow(Tr("Enabled:"), tsStatus);
    form->addRow(Tr("Time schedule:"), lbTriggers);
    connect(tsStatus, &QCheckBox::clicked, this, [this](bool on) { ToggleEnabled(on); });

    btbRun = NewButton(this, "btbRun", QString());
    btnDelete = NewButton(this, "btnDelete", Tr("Delete task"));
    btbEdit = NewButton(this, "btbEdit", Tr("Edit task"));
    btbEdit->setDefault(true);
    btbCancel = NewButton(this, "btbCancel", Tr("Close"));
    connect(btbRun, &QPushButton::clicked, this, [this] { RunOrStop(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(btbEdit, &QPushButton::clicked, this, [this] { accept(); });
    connect(btbCancel, &QPushButton::clicked, this, [this] { reject(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btbRun);
    buttons->addWidget(btnDelete);
    buttons->addStretch();
    buttons->addWidget(btbEdit);
    buttons->addWidget(btbCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lvTasks, 1);
    layout->addWidget(gbDetails, 2);
    layout->addLayout(buttons);

    tmUpdate = new QTimer(this);
    tmUpdate->setObjectName(QStringLiteral("tmUpdate"));
    tmUpdate->setInterval(1000);
    connect(tmUpdate, &QTimer::timeout, this, [this] { CheckStates(); });
    resize(720, 560);
    UpdateRunButton();
}

int TSelectSchedTaskDialog::TaskIndexOfRow(int row) const
{
    const QTreeWidgetItem* item = lvTasks->topLevelItem(row);
    return item ? item->data(coName, kIndexRole).toInt() : -1;
}

int TSelectSchedTaskDialog::FillList(bool refresh)
{
    int remembered = SelectedTaskIndex;
    lvTasks->clear();
    TWinTaskFolder* folder = FWinTask->TaskFolder();
    if (refresh) {
        FWinTask->Refresh();
        folder = FWinTask->TaskFolder();
        remembered = -1;
    }
    LastStatus.clear();
    if (!folder)
        return 0;
    QStringList names;
    for (int i = 0; i < folder->TaskCount(); ++i)
        names << folder->Tasks(i).TaskName();
    LastStatus = FWinTask->Backend().States(names);
    for (int i = 0; i < folder->TaskCount(); ++i) {
        TWinRegisteredTask& task = folder->Tasks(i);
        if (!task.Damaged() && task.IndexOfApp(FFilter) < 0)
            continue;
        auto* row = new TTaskRow(lvTasks);
        row->setText(coName, task.TaskName());
        row->setData(coName, kIndexRole, i);
        try {
            const int result = task.Damaged() ? 0 : task.LastResult();
            const bool failed = task.Damaged() || result < 0;
            row->setIcon(coName, StateBall(failed));
            row->setText(coStatus, task.StatusAsString());
            const QDateTime last = task.LastRunTime();
            const QString lastText = task.LastRunTimeAsString();
            row->setText(coLastRun, lastText.isEmpty() ? Tr("Not yet run") : lastText);
            row->setData(coLastRun, kSortRole, lastText.isEmpty() ? QDateTime() : last);
            QString next = task.NextRunTimeAsString();
            const TWinTask& definition = task.Definition();
            if (next.isEmpty() && definition.TriggerCount() > 0) {
                const TWinTaskTriggerType type = definition.Triggers(0).TriggerType();
                if (type == ttEvent)
                    next = Tr("on wake up");
                else if (type == ttLogon)
                    next = Tr("on logon");
            }
            row->setText(coNextRun, next);
            row->setData(coNextRun, kSortRole, task.NextRunTime());
            if (result != 0 && !task.Damaged()) {
                row->setToolTip(coName, WrappedResultText(result));
                row->setToolTip(coStatus, WrappedResultText(result));
                row->setToolTip(coLastRun, WrappedResultText(result));
            } else if (task.Damaged()) {
                row->setToolTip(coName, task.DamageText());
            }
        } catch (const EOleSysError& error) {
            row->setText(coStatus, StatusText(tsUnknown));
            row->setToolTip(coName, error.Message());
        }
    }
    const int rows = lvTasks->topLevelItemCount();
    lvTasks->sortItems(FSortColumn, FSortOrder);
    if (rows > 0) {
        int selectRow = 0;
        for (int r = 0; r < rows; ++r)
            if (TaskIndexOfRow(r) == remembered)
                selectRow = r;
        lvTasks->setCurrentItem(lvTasks->topLevelItem(selectRow));
    } else {
        SelectedTaskIndex = -1;
        ClearDetails();
    }
    return rows;
}

bool TSelectSchedTaskDialog::CheckStates()
{
    TWinTaskFolder* folder = FWinTask ? FWinTask->TaskFolder() : nullptr;
    if (!folder)
        return false;
    QStringList names;
    for (int i = 0; i < folder->TaskCount(); ++i)
        names << folder->Tasks(i).TaskName();
    if (FWinTask->Backend().States(names) == LastStatus)
        return false;
    FillList(false);
    return true;
}

void TSelectSchedTaskDialog::SortByColumn(int column)
{
    if (column == FSortColumn)
        FSortOrder = FSortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    else
        FSortOrder = column == coName ? Qt::AscendingOrder : Qt::DescendingOrder;
    FSortColumn = column;
    lvTasks->sortItems(FSortColumn, FSortOrder);
    lvTasks->header()->setSortIndicator(FSortColumn, FSortOrder);
}

TWinRegisteredTask* TSelectSchedTaskDialog::SelectedTask() const
{
    TWinTaskFolder* folder = FWinTask ? FWinTask->TaskFolder() : nullptr;
    if (!folder || SelectedTaskIndex < 0 || SelectedTaskIndex >= folder->TaskCount())
        return nullptr;
    return &folder->Tasks(SelectedTaskIndex);
}

void TSelectSchedTaskDialog::ShowSelected()
{
    const QTreeWidgetItem* item = lvTasks->currentItem();
    SelectedTaskIndex = item ? item->data(coName, kIndexRole).toInt() : -1;
    TWinRegisteredTask* task = SelectedTask();
    if (!task) {
        ClearDetails();
        return;
    }
    ShowDetails(*task);
}

void TSelectSchedTaskDialog::SetField(QLineEdit* field, const QString& text)
{
    const int width = field->width() - 8;
    const QString shown = field->fontMetrics().elidedText(text, Qt::ElideMiddle, width);
    field->setText(shown);
    field->setCursorPosition(0);
    field->setToolTip(shown == text ? QString() : text);
}

void TSelectSchedTaskDialog::ClearDetails()
{
    gbDetails->setTitle(Tr("Properties of task: "));
    for (QLineEdit* field :
         {edUserAccount, edComment, edCreator, edStatus, edApplication, edParameters, edWorkDir})
        SetField(field, QString());
    lbTriggers->clear();
    tsStatus->setEnabled(false);
    UpdateRunButton();
}

void TSelectSchedTaskDialog::ShowDetails(TWinRegisteredTask& task)
{
    gbDetails->setTitle(Tr("Properties of task: ") + task.TaskName());
    TWinTask& definition = task.Definition();
    SetField(edUserAccount, definition.UserId());
    SetField(edComment, task.Damaged() ? task.DamageText() : definition.Description());
    SetField(edStatus, definition.DateAsString());
    SetField(edCreator, definition.Author());
    const int action = definition.SelectedAction();
    const bool hasAction = action >= 0 && action < definition.ActionCount();
    SetField(edApplication, hasAction ? definition.Actions(action).ExecPath() : QString());
    SetField(edParameters, hasAction ? definition.Actions(action).ExecArguments() : QString());
    SetField(edWorkDir, hasAction ? definition.Actions(action).ExecWorkingDirectory() : QString());
    lbTriggers->clear();
    for (int i = 0; i < definition.TriggerCount(); ++i)
        lbTriggers->addItem(QString::number(i + 1) + QStringLiteral(": ") +
                            definition.Triggers(i).TriggerString());
    UpdateRunButton();
}

void TSelectSchedTaskDialog::UpdateRunButton()
{
    TWinRegisteredTask* task = SelectedTask();
    int state = TaskState::kUnknown;
    if (task && size_t(SelectedTaskIndex) < LastStatus.size())
        state = LastStatus[size_t(SelectedTaskIndex)];
    const bool damaged = task && task->Damaged();
    tsStatus->setEnabled(!damaged && (state == TaskState::kReady || state == TaskState::kDisabled));
    tsStatus->setChecked(task && state != TaskState::kDisabled);
    tsStatus->setText(tsStatus->isChecked() ? Tr("Yes") : Tr("No"));
    tsStatus->setStyleSheet(tsStatus->isChecked() ? QStringLiteral("color: #208030")
                                                  : QStringLiteral("color: #c02020"));
    const bool running = IsRunningState(state);
    btbRun->setEnabled(task && !damaged && state != TaskState::kDisabled);
    btbRun->setIcon(style()->standardIcon(running ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
    const QString hint = running ? Tr("Stop task") : Tr("Run task");
    btbRun->setToolTip(hint);
    btbRun->setAccessibleName(hint);
    btnDelete->setEnabled(task != nullptr);
}

void TSelectSchedTaskDialog::ShowError(const EOleSysError& error)
{
    ErrorMessage(SchedulerErrorText(error.ErrorCode()) + u'\n' + error.Message());
}

void TSelectSchedTaskDialog::ToggleEnabled(bool enabled)
{
    if (TWinRegisteredTask* task = SelectedTask()) {
        try {
            task->SetEnabled(enabled);
        } catch (const EOleSysError& error) {
            ShowError(error);
        }
    }
    FillList(false);
    UpdateRunButton();
}

void TSelectSchedTaskDialog::RunOrStop()
{
    TWinRegisteredTask* task = SelectedTask();
    if (!task)
        return;
    const int state = size_t(SelectedTaskIndex) < LastStatus.size()
                          ? LastStatus[size_t(SelectedTaskIndex)]
                          : TaskState::kUnknown;
    try {
        if (IsRunningState(state)) {
            if (ConfirmMessage(Tr("Stop selected task?")))
                task->Stop();
        } else if (ConfirmMessage(Tr("Run selected task?"))) {
            task->Run();
        }
    } catch (const EOleSysError& error) {
        ShowError(error);
    }
    FillList(false);
    UpdateRunButton();
    QApplication::processEvents();
}

void TSelectSchedTaskDialog::DeleteSelected()
{
    TWinRegisteredTask* task = SelectedTask();
    if (!task || !ConfirmMessage(Tr("Delete selected task?")))
        return;
    TWinTaskFolder* folder = FWinTask->TaskFolder();
    if (!folder->DeleteTask(task->TaskName())) {
        ErrorMessage(folder->ErrorMessage());
        return;
    }
    Changed = true;
    SelectedTaskIndex = -1;
    if (FillList(true) == 0)
        done(mrYes);
}

void TSelectSchedTaskDialog::accept()
{
    if (SelectedTaskIndex < 0) {
        if (ConfirmMessage(Tr("No task selected - rectify?")))
            return;
        done(mrYes);
        return;
    }
    if (const TWinRegisteredTask* task = SelectedTask(); task && task->Damaged()) {
        ErrorMessage(Fmt(Tr("The task \"%s\" is damaged and cannot be edited:\n%s"),
                         {task->TaskName(), task->DamageText()}));
        return;
    }
    QDialog::accept();
}

void TSelectSchedTaskDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        if (const QString failure = ShowHelpPage(QStringLiteral("kv-sched.html#tasks"));
            !failure.isEmpty())
            ErrorMessage(failure);
        return;
    }
    QDialog::keyPressEvent(event);
}

void TSelectSchedTaskDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const qreal scale = logicalDpiX() / 96.0;
    lvTasks->setColumnWidth(coStatus, int(81 * scale));
    lvTasks->setColumnWidth(coLastRun, int(121 * scale));
    lvTasks->setColumnWidth(coNextRun, int(121 * scale));
    // The fields have their new widths once the layout has run.
    QTimer::singleShot(0, this, [this] {
        if (TWinRegisteredTask* task = SelectedTask())
            ShowDetails(*task);
    });
}

int TSelectSchedTaskDialog::Execute(const QString& ATitle, TWinTaskScheduler& ATaskSchedule,
                                    const QString& AFilter, int& ATaskIndex, int& ATrgIndex)
{
    setWindowTitle(Tr("Select Scheduled Task") + QStringLiteral(" (") + ATitle + u')');
    FWinTask = &ATaskSchedule;
    FFilter = AFilter;
    // The list looks every second: over the bus, not with a systemctl process each time.
    if (auto* systemd = dynamic_cast<TTaskSystemdStore*>(&ATaskSchedule.Backend()))
        systemd->SetMainPidReader(SystemdBusMainPids);
    SelectedTaskIndex = -1;
    Changed = false;
    if (FillList(true) == 0)
        return mrNo;
    lvTasks->setCurrentItem(lvTasks->topLevelItem(0));
    PlaceDialog(*this, kCentreOnMainWindow);
    lvTasks->setFocus();
    tmUpdate->start();
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    int result = exec();
    tmUpdate->stop();
    ATaskIndex = SelectedTaskIndex;
    if (result == mrOk) {
        TWinRegisteredTask* task = SelectedTask();
        if (!task || task->Definition().TriggerCount() == 0)
            ATrgIndex = -1;
        else
            ATrgIndex = qMax(0, lbTriggers->currentRow());
    }
    if (SelectedTaskIndex < 0 || Changed)
        result = mrYes;
    return result;
}

int SelectScheduledTask(const QString& ATitle, TWinTaskScheduler& ATaskSchedule,
                        const QString& AFilter, int& ATaskIndex, int& ATrgIndex)
{
    QWidget* parent =
        QApplication::activeModalWidget() ? QApplication::activeModalWidget() : DialogMainWindow();
    TSelectSchedTaskDialog dialog(parent);
    return dialog.Execute(ATitle, ATaskSchedule, AFilter, ATaskIndex, ATrgIndex);
}

void SetSelectSchedTaskAnswerHook(std::function<void(TSelectSchedTaskDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

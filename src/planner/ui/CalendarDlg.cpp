#include "planner/ui/CalendarDlg.h"

#include <algorithm>

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "common/infra/Translate.h"
#include "common/ui/DialogPosition.h"
#include "planner/RotationCalendar.h"
#include "planner/ui/PlanerHelp.h"

namespace {

std::function<void(TRotationCalendarDialog&)>& AnswerHook()
{
    static std::function<void(TRotationCalendarDialog&)> hook;
    return hook;
}

QLabel* WrappedLabel(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

TRotationCalendarDialog::TRotationCalendarDialog(const TSchedTask& schedule, const QDate& today,
                                                 QWidget* parent)
    : QDialog(parent), FSchedule(schedule), FToday(today)
{
    setObjectName(QStringLiteral("TRotationCalendarDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(Fmt(Tr("Backup calendar of \"%s\""), {schedule.SName}));
    lbRotation = WrappedLabel(QStringLiteral("lbRotation"), this);
    lbRotation->setText(Fmt(Tr("Schedule \"%s\":"), {schedule.SName}) + u' ' +
                        RotationText(schedule) + u' ' + Tr("One run a day is assumed."));
    auto* lbFirst = new QLabel(Tr("Show from:"), this);
    deFirst = new QDateEdit(this);
    deFirst->setObjectName(QStringLiteral("deFirst"));
    deFirst->setCalendarPopup(true);
    deFirst->setDateRange(today, today.addDays(kMaxCalendarReach));
    deFirst->setDate(today);
    lbFirst->setBuddy(deFirst);
    tvCalendar = new QTableWidget(0, int(CalendarHeaders().size()), this);
    tvCalendar->setObjectName(QStringLiteral("tvCalendar"));
    tvCalendar->setHorizontalHeaderLabels(CalendarHeaders());
    tvCalendar->setAccessibleName(Tr("Backup calendar"));
    tvCalendar->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvCalendar->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvCalendar->verticalHeader()->hide();
    tvCalendar->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tvCalendar->horizontalHeader()->setStretchLastSection(true);
    lbMissed = WrappedLabel(QStringLiteral("lbMissed"), this);
    lbMissed->setText(MissedDayText(schedule));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    btClose = buttons->button(QDialogButtonBox::Close);
    btClose->setObjectName(QStringLiteral("btClose"));
    btClose->setText(Tr("Close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* firstRow = new QHBoxLayout;
    firstRow->addWidget(lbFirst);
    firstRow->addWidget(deFirst);
    firstRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbRotation);
    layout->addLayout(firstRow);
    layout->addWidget(tvCalendar, 1);
    layout->addWidget(lbMissed);
    layout->addWidget(buttons);
    InstallPlanerKeys(this, "kv-planer.html");
    connect(deFirst, &QDateEdit::dateChanged, this, [this](const QDate& d) { ShowFrom(d); });
    ShowFrom(today);
}

void TRotationCalendarDialog::ShowFrom(const QDate& first)
{
    const QDate from = std::clamp(first, FToday, FToday.addDays(kMaxCalendarReach));
    const QVector<TCalendarDay> days = RotationCalendar(FSchedule, FToday, from, kCalendarDays);
    tvCalendar->setRowCount(int(days.size()));
    for (int row = 0; row < days.size(); ++row) {
        const TCalendarDay& day = days[row];
        const QStringList cells =
            CalendarCells(FSchedule, day, QLocale().toString(day.Date, QLocale::ShortFormat));
        for (int column = 0; column < cells.size(); ++column)
            tvCalendar->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    tvCalendar->resizeColumnsToContents();
}

void ShowRotationCalendar(const TSchedTask& schedule, const QDate& today)
{
    TRotationCalendarDialog dialog(schedule, today, DialogMainWindow());
    dialog.resize(dialog.sizeHint().expandedTo(QSize(640, 560)));
    PlaceDialog(dialog, kCentreOnMainWindow);
    if (AnswerHook())
        QTimer::singleShot(0, &dialog, [&dialog] { AnswerHook()(dialog); });
    dialog.exec();
}

void SetCalendarAnswerHook(std::function<void(TRotationCalendarDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

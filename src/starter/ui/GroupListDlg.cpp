#include "starter/ui/GroupListDlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "common/infra/Translate.h"
#include "common/ui/DialogButtons.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/HintKey.h"
#include "common/ui/InpText.h"
#include "common/ui/ShowMessageDlg.h"

namespace {

std::function<void(TGroupListDialog&)>& AnswerHook()
{
    static std::function<void(TGroupListDialog&)> hook;
    return hook;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setAutoDefault(false);
    return button;
}

QPoint Below(const QWidget* w)
{
    return w->mapToGlobal(QPoint(0, w->height()));
}

} // namespace

TGroupListDialog::TGroupListDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TGroupListDialog"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    setWindowTitle(Tr("Edit list entries"));
    lbDescription = new QLabel(this);
    lbDescription->setObjectName(QStringLiteral("lbDescription"));
    lbItems = new QListWidget(this);
    lbItems->setObjectName(QStringLiteral("lbItems"));
    lbItems->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lbDescription->setBuddy(lbItems);

    gbMove = new QGroupBox(Tr("Move entry"), this);
    gbMove->setObjectName(QStringLiteral("gbMove"));
    bbUp = MakeButton(gbMove, "bbUp", Tr("Move item &up"), Tr("Move item up"));
    bbDown = MakeButton(gbMove, "bbDown", Tr("Move item &down"), Tr("Move item down"));
    auto* moveLayout = new QVBoxLayout(gbMove);
    moveLayout->addWidget(bbUp);
    moveLayout->addWidget(bbDown);
    bbRemove = MakeButton(this, "bbRemove", Tr("&Remove"), Tr("Remove item"));
    bbEdit = MakeButton(this, "bbEdit", Tr("&Edit"), Tr("Edit item"));

    const TOkCancel okCancel = AddOkCancel(this, Tr("OK"), Tr("Cancel"));
    btOk = okCancel.ok;
    btCancel = okCancel.cancel;

    auto* side = new QVBoxLayout;
    side->addWidget(gbMove);
    side->addWidget(bbRemove);
    side->addWidget(bbEdit);
    side->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(lbItems, 1);
    body->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbDescription);
    layout->addLayout(body, 1);
    layout->addWidget(okCancel.box);

    connect(bbUp, &QPushButton::clicked, this, [this] { MoveSelected(true); });
    connect(bbDown, &QPushButton::clicked, this, [this] { MoveSelected(false); });
    connect(bbRemove, &QPushButton::clicked, this, &TGroupListDialog::RemoveSelected);
    connect(bbEdit, &QPushButton::clicked, this, &TGroupListDialog::EditCurrent);
    connect(lbItems, &QListWidget::itemDoubleClicked, this, &TGroupListDialog::EditCurrent);
    connect(lbItems, &QListWidget::itemSelectionChanged, this, &TGroupListDialog::UpdateButtons);
    InstallHintKey(this);
    resize(420, 320);
}

TGroupListDialog::~TGroupListDialog() = default;

const std::vector<TListEntry>& TGroupListDialog::Entries() const
{
    return FList->Entries();
}

int TGroupListDialog::CurrentRow() const
{
    return lbItems->currentRow();
}

std::vector<int> TGroupListDialog::SelectedRows() const
{
    std::vector<int> rows;
    for (int i = 0; i < lbItems->count(); ++i)
        if (lbItems->item(i)->isSelected())
            rows.push_back(i);
    return rows;
}

void TGroupListDialog::ShowEntries(const std::vector<int>& selected, int current)
{
    lbItems->clear();
    lbItems->addItems(FList->Names());
    if (current >= 0 && current < lbItems->count())
        lbItems->setCurrentRow(current, QItemSelectionModel::ClearAndSelect);
    for (int row : selected)
        if (row >= 0 && row < lbItems->count())
            lbItems->item(row)->setSelected(true);
    UpdateButtons();
}

void TGroupListDialog::UpdateButtons()
{
    const bool any = !lbItems->selectedItems().isEmpty();
    bbRemove->setEnabled(any);
    bbEdit->setEnabled(lbItems->currentRow() >= 0);
    gbMove->setEnabled(any && lbItems->count() > 1);
}

void TGroupListDialog::RemoveSelected()
{
    const int next = FList->Remove(SelectedRows());
    ShowEntries({}, next);
}

void TGroupListDialog::EditCurrent()
{
    const int row = lbItems->currentRow();
    if (row < 0)
        return;
    QString name = FList->Entries()[size_t(row)].Name;
    if (!InputText(Below(bbEdit), Tr("Edit item"), FDescription, name) || name.isEmpty())
        return;
    if (!FList->Rename(row, name)) {
        ErrorMessageAt(Below(bbEdit), Fmt(Tr("Item \"%s\" already exists!"), {name}));
        return;
    }
    ShowEntries({}, row);
}

void TGroupListDialog::MoveSelected(bool up)
{
    const std::vector<int> moved =
        up ? FList->MoveUp(SelectedRows()) : FList->MoveDown(SelectedRows());
    ShowEntries(moved, moved.empty() ? -1 : moved.front());
}

bool TGroupListDialog::Execute(const QString& title, const QString& description,
                               const QStringList& names, int preselected)
{
    if (!title.isEmpty())
        setWindowTitle(title);
    FDescription = description;
    lbDescription->setText(description);
    lbItems->setAccessibleName(description.isEmpty() ? windowTitle() : description);
    FList = std::make_unique<TEntryListEdit>(names);
    ShowEntries({}, preselected);
    PlaceDialog(*this, kCentreOnMainWindow);
    lbItems->setFocus();
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    return exec() == QDialog::Accepted;
}

bool EditGroupList(const QString& title, const QString& description, const QStringList& names,
                   int preselected, std::vector<TListEntry>& entries, int& selectedRow)
{
    TGroupListDialog dialog(DialogMainWindow());
    if (!dialog.Execute(title, description, names, preselected))
        return false;
    entries = dialog.Entries();
    selectedRow = dialog.CurrentRow();
    return true;
}

void SetGroupListAnswerHook(std::function<void(TGroupListDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

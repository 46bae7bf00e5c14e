#include "common/ui/ErrorActionDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "common/infra/Translate.h"
#include "common/ui/DialogButtons.h"
#include "common/ui/DialogPosition.h"

namespace {

std::function<void(TErrorActionDialog&)>& AnswerHook()
{
    static std::function<void(TErrorActionDialog&)> hook;
    return hook;
}

struct TErrorKind {
    int bit;
    const char* objectName;
    const char* caption;
};

constexpr TErrorKind kErrorKinds[] = {
    {1, "cbTaskNotFound", TrNoop("Task file not found")},
    {2, "cbDestination", TrNoop("Destination not accessible")},
    {4, "cbSource", TrNoop("Source directory not found")},
    {8, "cbInvalidTask", TrNoop("Invalid task configuration")},
    {16, "cbOtherErrors", TrNoop("Other errors during backup")},
};

} // namespace

TErrorActionDialog::TErrorActionDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TErrorActionDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(Tr("Subsequent action"));
    gbErrors = new QGroupBox(this);
    gbErrors->setObjectName(QStringLiteral("gbErrors"));
    auto* boxes = new QVBoxLayout(gbErrors);
    for (const TErrorKind& kind : kErrorKinds) {
        auto* box = new QCheckBox(Tr(kind.caption), gbErrors);
        box->setObjectName(QString::fromLatin1(kind.objectName));
        boxes->addWidget(box);
        cbErrors.append(box);
    }
    QDialogButtonBox* buttons = AddOkCancel(this, Tr("OK"), Tr("Cancel")).box;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gbErrors);
    layout->addWidget(buttons);
}

int TErrorActionDialog::Mask() const
{
    int mask = 0;
    for (qsizetype i = 0; i < cbErrors.size(); ++i)
        if (cbErrors[i]->isChecked())
            mask |= kErrorKinds[i].bit;
    return mask;
}

void TErrorActionDialog::SetMask(int mask)
{
    for (qsizetype i = 0; i < cbErrors.size(); ++i)
        cbErrors[i]->setChecked((mask & kErrorKinds[i].bit) != 0);
}

bool TErrorActionDialog::Execute(const QPoint& APos, const QString& SubAction, int& CheckMask)
{
    gbErrors->setTitle(Fmt(Tr("No %s on these errors"), {SubAction}));
    SetMask(CheckMask);
    adjustSize();
    PlaceDialog(*this, APos);
    cbErrors.first()->setFocus();
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    if (exec() != QDialog::Accepted)
        return false;
    CheckMask = Mask();
    return true;
}

bool EditErrorActions(const QPoint& APos, const QString& SubAction, int& CheckMask)
{
    TErrorActionDialog dialog(DialogMainWindow());
    return dialog.Execute(APos, SubAction, CheckMask);
}

void SetErrorActionAnswerHook(std::function<void(TErrorActionDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

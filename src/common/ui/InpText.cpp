#include "common/ui/InpText.h"

#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "common/infra/Translate.h"
#include "common/ui/DialogButtons.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/HintKey.h"

namespace {

std::function<void(TInputTextDialog&)>& AnswerHook()
{
    static std::function<void(TInputTextDialog&)> hook;
    return hook;
}

constexpr int kDesignedWidth = 320;
constexpr int kTextMargin = 20;
// Without suggestions the field looks like a plain edit field.
const char* const kNoDropDown = "QComboBox::drop-down { width: 0px; border: none; }";

} // namespace

QStringList WithEntryOnTop(QStringList list, const QString& entry, int max)
{
    if (!list.removeOne(entry)) {
        while (!list.isEmpty() && list.size() >= max)
            list.removeLast();
    }
    list.prepend(entry);
    return list;
}

TInputTextDialog::TInputTextDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TInputTextDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(TrDialogs("Edit text"));
    Descriptor = new QLabel(this);
    Descriptor->setObjectName(QStringLiteral("Descriptor"));
    TextFeld = new QComboBox(this);
    TextFeld->setObjectName(QStringLiteral("TextFeld"));
    TextFeld->setEditable(true);
    TextFeld->setInsertPolicy(QComboBox::NoInsert);
    TextFeld->setMaxVisibleItems(kMaxHistory);
    TextFeld->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    TextFeld->completer()->setCompletionMode(QCompleter::InlineCompletion);
    Descriptor->setBuddy(TextFeld);
    const TOkCancel okCancel = AddOkCancel(this, TrDialogs("OK"), TrDialogs("Cancel"));
    btOk = okCancel.ok;
    btCancel = okCancel.cancel;
    QDialogButtonBox* buttons = okCancel.box;
    InstallHintKey(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Descriptor);
    layout->addWidget(TextFeld);
    layout->addWidget(buttons);
    defWidth = kDesignedWidth;
}

QStringList TInputTextDialog::Items() const
{
    QStringList items;
    for (int i = 0; i < TextFeld->count(); ++i)
        items.append(TextFeld->itemText(i));
    return items;
}

void TInputTextDialog::SetItems(const QStringList& items)
{
    const QString text = TextFeld->currentText();
    TextFeld->clear();
    TextFeld->addItems(items);
    TextFeld->setEditText(text);
    ShowAsDropDown(TextFeld, !items.isEmpty());
}

void ShowAsDropDown(QComboBox* combo, bool dropDown)
{
    combo->setStyleSheet(dropDown ? QString() : QString::fromLatin1(kNoDropDown));
}

void TInputTextDialog::FitWidth()
{
    const int textWidth = TextFeld->fontMetrics().horizontalAdvance(TextFeld->currentText());
    resize(qMax(defWidth, textWidth + kTextMargin), sizeHint().height());
}

bool TInputTextDialog::Execute(const QPoint& APos, const QString& Titel, const QString& Desc,
                               bool /*ShowTable*/, const QString& AFontName, QString& AText)
{
    if (!Titel.isEmpty())
        setWindowTitle(Titel);
    Descriptor->setText(Desc);
    TextFeld->setToolTip(Desc);
    TextFeld->setAccessibleName(Desc.isEmpty() ? windowTitle() : Desc);
    if (!AFontName.isEmpty())
        TextFeld->setFont(QFont(AFontName));
    ShowAsDropDown(TextFeld, TextFeld->count() > 0);
    TextFeld->setEditText(AText);
    adjustSize();
    FitWidth();
    PlaceDialog(*this, APos);
    TextFeld->setFocus();
    TextFeld->lineEdit()->selectAll();
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    if (exec() != QDialog::Accepted)
        return false;
    AText = TextFeld->currentText();
    SetItems(WithEntryOnTop(Items(), AText));
    TextFeld->setCurrentIndex(0);
    ShowAsDropDown(TextFeld, TextFeld->count() > 1);
    return true;
}

bool InputText(const QPoint& APos, const QString& ATitle, const QString& ALabel, QString& AText,
               bool ASorted, QStringList* ASuggestions)
{
    TInputTextDialog dialog(DialogMainWindow());
    if (ASuggestions) {
        QStringList items = *ASuggestions;
        if (ASorted)
            items.sort(Qt::CaseInsensitive);
        dialog.SetItems(items);
    }
    if (!dialog.Execute(APos, ATitle, ALabel, false, QString(), AText))
        return false;
    if (ASuggestions)
        *ASuggestions = dialog.Items();
    return true;
}

void SetInputTextAnswerHook(std::function<void(TInputTextDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

#include "common/ui/SelectDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include "common/infra/Translate.h"
#include "common/ui/DialogPosition.h"

namespace {

std::function<void(TSelectDialog&)>& AnswerHook()
{
    static std::function<void(TSelectDialog&)> hook;
    return hook;
}

struct TIconInfo {
    QStyle::StandardPixmap pixmap;
    const char* title;
};

constexpr TIconInfo kIcons[] = {
    {QStyle::SP_MessageBoxWarning, TrDialogsNoop("Warning")},
    {QStyle::SP_MessageBoxCritical, TrDialogsNoop("Error")},
    {QStyle::SP_MessageBoxInformation, TrDialogsNoop("Information")},
    {QStyle::SP_MessageBoxQuestion, TrDialogsNoop("Confirm")},
};

constexpr int kButtonsPerRow = 3;

} // namespace

TSelectDialog::TSelectDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TSelectDialog"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    stCaption = new QLabel(this);
    stCaption->setObjectName(QStringLiteral("stCaption"));
    stCaption->setTextFormat(Qt::PlainText);
    cbOption = new QCheckBox(this);
    cbOption->setObjectName(QStringLiteral("cbOption"));
}

void TSelectDialog::BuildButtons(const QStringList& captions, const QString& cancelCaption)
{
    qDeleteAll(FButtonList);
    FButtonList.clear();
    for (qsizetype i = 0; i <= captions.size(); ++i) {
        const bool isCancel = i == captions.size();
        auto* button = new QPushButton(isCancel ? cancelCaption : captions[i], this);
        button->setObjectName(isCancel ? QStringLiteral("btCancel")
                                       : QStringLiteral("btSelect%1").arg(i));
        button->setAutoDefault(false);
        const int number = isCancel ? (captions.isEmpty() ? 0 : -1) : int(i);
        connect(button, &QPushButton::clicked, this, [this, number] { Choose(number); });
        FButtonList.append(button);
    }
}

void TSelectDialog::Choose(int number)
{
    Selection = number;
    done(number >= 0 ? QDialog::Accepted : QDialog::Rejected);
}

void TSelectDialog::Layout()
{
    const QFontMetrics fm(stCaption->font());
    const QStringList lines = stCaption->text().split(u'\n');
    int textWidth = 0;
    for (const QString& line : lines)
        textWidth = qMax(textWidth, fm.horizontalAdvance(line));
    if (FBold)
        textWidth += textWidth / 4;
    const int textHeight = 10 + int(lines.size() * 1.2 * fm.height());
    const int clientWidth = qMax(70 + kButtonsPerRow * FBw, textWidth + 60);
    imgIcon->setGeometry(10, 10, 32, 32);
    stCaption->setGeometry(50, 10, textWidth, textHeight);
    int y = 10 + qMax(textHeight, imgIcon->isVisible() ? 32 : 0) + 8;
    if (cbOption->isVisibleTo(this)) {
        cbOption->setGeometry(50, y, clientWidth - 60, fm.height() + 8);
        y += fm.height() + 16;
    }
    const int buttonHeight = int(2.4 * fm.height());
    const int step = buttonHeight * 30 / 26;
    FRows.clear();
    for (qsizetype first = 0; first < FButtonList.size(); first += kButtonsPerRow) {
        const qsizetype count = qMin<qsizetype>(kButtonsPerRow, FButtonList.size() - first);
        QList<int> row;
        int x = clientWidth - 10 - int(count) * (FBw + 6) + 6;
        for (qsizetype k = 0; k < count; ++k) {
            const qsizetype index = first + k;
            FButtonList[index]->setGeometry(x, y, FBw, buttonHeight);
            x += FBw + 6;
            row.append(index == FButtonList.size() - 1 ? -1 : int(index));
        }
        FRows.append(row);
        y += step;
    }
    setFixedSize(clientWidth, y + 10);
}

void TSelectDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Layout();
    KeepOnScreen(*this);
    QPushButton* focus = (FPreSel >= 0 && FPreSel < FButtonList.size() - 1) ? FButtonList[FPreSel]
                                                                            : FButtonList.last();
    focus->setFocus();
}

void TSelectDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape presses the cancel button; closing by the frame leaves -1.
    if (event->key() == Qt::Key_Escape && !FButtonList.isEmpty()) {
        FButtonList.last()->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

int TSelectDialog::Execute(const QPoint& APos, const QString& ATitle, const QString& ACaption,
                           int DlgType, bool ACaptionBold, const QStringList& AButtons,
                           const QString& AOption, int ButtonWidth, int PreSelection,
                           const QString& DefaultButton)
{
    const bool hasIcon = DlgType >= siWarning && DlgType <= siQuestion;
    setWindowTitle(!ATitle.isEmpty() ? ATitle
                   : hasIcon         ? TrDialogs(kIcons[DlgType].title)
                                     : QString());
    imgIcon->setVisible(hasIcon);
    if (hasIcon)
        imgIcon->setPixmap(style()->standardIcon(kIcons[DlgType].pixmap).pixmap(32, 32));
    QString caption = ACaption;
    stCaption->setText(caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QFont font = stCaption->font();
    font.setBold(ACaptionBold);
    stCaption->setFont(font);
    FBold = ACaptionBold;
    FBw = ButtonWidth > 0 ? ButtonWidth : 105;
    cbOption->setText(AOption);
    cbOption->setVisible(!AOption.isEmpty());
    cbOption->setChecked(PreSelection > 0 && (PreSelection & 256) != 0);
    BuildButtons(AButtons, DefaultButton.isEmpty() ? TrDialogs("Cancel") : DefaultButton);
    FPreSel = PreSelection > 0 ? (PreSelection & 0xFF) : PreSelection;
    if (FPreSel >= AButtons.size())
        FPreSel = -1;
    // The check box follows the buttons in the tab order.
    for (qsizetype i = 1; i < FButtonList.size(); ++i)
        setTabOrder(FButtonList[i - 1], FButtonList[i]);
    setTabOrder(FButtonList.last(), cbOption);
    Selection = -1;
    PlaceDialog(*this, APos);
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    exec();
    const int result = Selection;
    return (result >= 0 && cbOption->isChecked()) ? result + 256 : result;
}

int SelectButton(const QString& ATitle, const QString& ACaption, int DlgType,
                 const QString& DefaultButton, int PreSelection, int ButtonWidth,
                 const QString& AOption, const QStringList& AButtons, bool ACaptionBold)
{
    TSelectDialog dialog(DialogMainWindow());
    return dialog.Execute(kCentreOnMainWindow, ATitle, ACaption, DlgType, ACaptionBold, AButtons,
                          AOption, ButtonWidth, PreSelection, DefaultButton);
}

void SetSelectAnswerHook(std::function<void(TSelectDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

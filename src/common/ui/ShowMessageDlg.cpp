#include "common/ui/ShowMessageDlg.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "common/infra/Reporter.h"
#include "common/infra/Translate.h"

namespace {

TMessageAnswerHook& AnswerHook()
{
    static TMessageAnswerHook hook;
    return hook;
}

enum TIcon { icNone, icInformation, icWarning, icError, icQuestion };

struct TButtonSpec {
    const char* caption; // nullptr: hidden
    int result;
    int defaultWhen; // the button is default when DefaultButton is this (or kAlways)
};

struct TTypeSpec {
    TIcon icon;
    const char* title;
    TButtonSpec left, center, close;
};

constexpr int kAlways = -1;
constexpr int kNever = -2;

constexpr TButtonSpec kNone{nullptr, mrNone, kNever};
constexpr TButtonSpec kCloseBtn{TrDialogsNoop("&Close"), mrCancel, kAlways};
constexpr TButtonSpec kCancelBtn{TrDialogsNoop("Cancel"), mrCancel, kNever};

// Indexed by TMsgDialogType.
constexpr TTypeSpec kTypes[] = {
    {icInformation, TrDialogsNoop("Information"), kNone, kNone, kCloseBtn},
    {icWarning, TrDialogsNoop("Warning"), kNone, kNone, kCloseBtn},
    {icError, TrDialogsNoop("Error"), kNone, kNone, kCloseBtn},
    {icQuestion,
     TrDialogsNoop("Confirm"),
     kNone,
     {TrDialogsNoop("&Yes"), mrYes, mbYes},
     {TrDialogsNoop("&No"), mrNo, mbNo}},
    {icError, TrDialogsNoop("Error"), kNone, {TrDialogsNoop("&Yes"), mrOk, mbYes}, kCancelBtn},
    {icError,
     TrDialogsNoop("Error"),
     kNone,
     {TrDialogsNoop("&Retry"), mrRetry, mbRetry},
     kCancelBtn},
    {icQuestion,
     TrDialogsNoop("Confirm"),
     kNone,
     {TrDialogsNoop("&Yes"), mrYes, mbYes},
     kCancelBtn},
    {icQuestion,
     TrDialogsNoop("Confirm"),
     {TrDialogsNoop("&Yes"), mrYes, mbYes},
     {TrDialogsNoop("&No"), mrNo, mbNo},
     kCancelBtn},
    {icNone, nullptr, kNone, kNone, kNone},
};

QIcon StandardIcon(TIcon icon, const QStyle* style)
{
    constexpr QStyle::StandardPixmap pixmaps[] = {
        QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxInformation,
        QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxCritical, QStyle::SP_MessageBoxQuestion};
    return style->standardIcon(pixmaps[icon]);
}

const char* kResultProperty = "modalResult";

} // namespace

TShowMsgDialog::TShowMsgDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowSystemMenuHint),
      FIcon(new QLabel(this)), FText(new QLabel(this)), btLeft(new QPushButton(this)),
      btCenter(new QPushButton(this)), btClose(new QPushButton(this)), FTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("ShowMsgDialog"));
    FIcon->setObjectName(QStringLiteral("imgIcon"));
    FText->setObjectName(QStringLiteral("stMessage"));
    FText->setTextFormat(Qt::PlainText);
    FText->setFocusPolicy(Qt::StrongFocus);
    FText->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    btLeft->setObjectName(QStringLiteral("btLeft"));
    btCenter->setObjectName(QStringLiteral("btCenter"));
    btClose->setObjectName(QStringLiteral("btClose"));
    FTimer->setSingleShot(true);
    connect(FTimer, &QTimer::timeout, this, [this] { done(mrCancel); });

    auto* top = new QHBoxLayout;
    top->addWidget(FIcon, 0, Qt::AlignTop);
    top->addWidget(FText, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {btLeft, btCenter, btClose}) {
        buttons->addWidget(b);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this,
                [this, b] { done(b->property(kResultProperty).toInt()); });
    }
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);
    // The box sees keys before its controls.
    for (QWidget* w :
         {static_cast<QWidget*>(this), static_cast<QWidget*>(FText), static_cast<QWidget*>(btLeft),
          static_cast<QWidget*>(btCenter), static_cast<QWidget*>(btClose)})
        w->installEventFilter(this);
}

void TShowMsgDialog::SetButton(QPushButton* button, const char* caption, int result, bool isDefault)
{
    button->setVisible(caption != nullptr);
    button->setText(caption ? TrDialogs(caption) : QString());
    button->setProperty(kResultProperty, result);
    button->setDefault(caption && isDefault);
}

void TShowMsgDialog::SetUp(TMsgDialogType type, TMsgDlgBtn defaultButton)
{
    const TTypeSpec& spec = kTypes[type];
    auto isDefault = [defaultButton](const TButtonSpec& b) {
        return b.defaultWhen == kAlways || b.defaultWhen == int(defaultButton);
    };
    SetButton(btLeft, spec.left.caption, spec.left.result, isDefault(spec.left));
    SetButton(btCenter, spec.center.caption, spec.center.result, isDefault(spec.center));
    SetButton(btClose, spec.close.caption, spec.close.result, isDefault(spec.close));
    FIcon->setVisible(spec.icon != icNone);
    if (spec.icon != icNone)
        FIcon->setPixmap(StandardIcon(spec.icon, style()).pixmap(32, 32));
}

int TShowMsgDialog::TimerInterval() const
{
    return FTimer->interval();
}

int TShowMsgDialog::Execute(const QPoint& APos, const QString& AHint, int Delay,
                            TMsgDialogType DlgType, TMsgDlgBtn DefaultButton, QScreen* AMonitor)
{
    if (AHint.isEmpty())
        return 0;
    if (DlgType < mdtInformation || DlgType > mdtCustom)
        DlgType = mdtInformation;
    FDlgType = DlgType;
    SetUp(DlgType, DefaultButton);
    const THintParts parts = SplitHint(AHint);
    FCaption = PlainLines(parts.message);
    FText->setText(FCaption);
    const char* defaultTitle = kTypes[DlgType].title;
    setWindowTitle(!parts.title.isEmpty() ? parts.title
                   : defaultTitle         ? TrDialogs(defaultTitle)
                                          : QString());
    FRunTimer = DlgType == mdtCustom || Delay > 0;
    FTimer->setInterval(Delay > 0 ? Delay * 1000 : 120 * int(FCaption.size()) + 2000);
    FText->setFocus();
    adjustSize();
    PlaceDialog(*this, APos, AMonitor);
    int result = 0;
    if (const TMessageAnswerHook& hook = AnswerHook())
        result = hook(*this);
    else
        result = exec();
    FTimer->stop();
    return result;
}

void TShowMsgDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (FRunTimer)
        FTimer->start();
    KeepOnScreen(*this);
}

void TShowMsgDialog::reject()
{
    // Escape and the window frame answer as the rightmost button does.
    done(btClose->isVisible() ? btClose->property(kResultProperty).toInt() : mrCancel);
}

bool TShowMsgDialog::HandleKey(int key)
{
    if (key == Qt::Key_F11 || (FRunTimer && key != 0)) {
        done(mrCancel);
        return true;
    }
    return false;
}

bool TShowMsgDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && isVisible()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (HandleKey(key->key()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void SetMessageAnswerHook(TMessageAnswerHook hook)
{
    AnswerHook() = std::move(hook);
}

int MessageDialog(const QPoint& APos, const QString& AHint, int Delay, TMsgDialogType DlgType,
                  TMsgDlgBtn DefaultButton, QScreen* AMonitor)
{
    TShowMsgDialog dialog(DialogMainWindow());
    return dialog.Execute(APos, AHint, Delay, DlgType, DefaultButton, AMonitor);
}

namespace {

QScreen* ActiveMonitor()
{
    QWidget* w = DialogMainWindow();
    return w ? w->screen() : QGuiApplication::primaryScreen();
}

} // namespace

int TypedMessage(const QString& AHint, TMsgDialogType DlgType)
{
    return MessageDialog(kCentreOnMainWindow, AHint, 0, DlgType, mbYes, ActiveMonitor());
}

int ErrorMessage(const QString& AHint, int Delay)
{
    return MessageDialog(kCentreOnMainWindow, AHint, Delay, mdtError, mbYes, ActiveMonitor());
}

int ErrorMessageAt(const QPoint& APos, const QString& AHint, QScreen* AMonitor)
{
    return MessageDialog(APos, AHint, 0, mdtError, mbCancel, AMonitor);
}

int InfoMessage(const QString& AHint, int Delay)
{
    return MessageDialog(kCentreOnMainWindow, AHint, Delay, mdtInformation, mbYes, ActiveMonitor());
}

int InfoMessageAt(const QPoint& APos, const QString& AHint, QScreen* AMonitor)
{
    return MessageDialog(APos, AHint, 0, mdtInformation, mbCancel, AMonitor);
}

bool ConfirmMessage(const QString& AHint)
{
    return MessageDialog(kCentreOnMainWindow, AHint, 0, mdtConfirm, mbYes, ActiveMonitor()) ==
           mrYes;
}

bool ConfirmMessageAt(const QPoint& APos, const QString& AHint, TMsgDlgBtn DefaultButton,
                      QScreen* AMonitor)
{
    return MessageDialog(APos, AHint, 0, mdtConfirm, DefaultButton, AMonitor) == mrYes;
}

bool RetryMessage(const QString& AHint)
{
    return MessageDialog(kCentreOnMainWindow, AHint, 0, mdtConfirmRetry, mbYes, ActiveMonitor()) ==
           mrRetry;
}

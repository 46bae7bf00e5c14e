#include "common/ui/NewPwdDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include "common/credentials/PasswordCodec.h"
#include "common/credentials/PasswordStrength.h"
#include "common/infra/Translate.h"
#include "common/ui/DialogButtons.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/HintKey.h"
#include "common/ui/ShowMessageDlg.h"

namespace {

std::function<void(TNewPwdDialog&)>& AnswerHook()
{
    static std::function<void(TNewPwdDialog&)> hook;
    return hook;
}

const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kGreen(0, 255, 0);

int Blend(int from, int to, double share)
{
    return qRound(from + (to - from) * share);
}

QColor BlendColour(const QColor& from, const QColor& to, double share)
{
    return QColor(Blend(from.red(), to.red(), share), Blend(from.green(), to.green(), share),
                  Blend(from.blue(), to.blue(), share));
}

QLineEdit* PasswordField(const char* objectName, const char* placeholder, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setEchoMode(QLineEdit::Password);
    field->setPlaceholderText(TrDialogs(placeholder));
    return field;
}

} // namespace

QColor QualityBarColour(int column, int width)
{
    const double half = qMax(1, width - 1) / 2.0;
    if (column <= half)
        return BlendColour(kRed, kYellow, column / half);
    return BlendColour(kYellow, kGreen, (column - half) / half);
}

TQualityBar::TQualityBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("imgBar"));
    setMinimumHeight(fontMetrics().height() + 6);
    SetValue(0);
}

void TQualityBar::SetValue(int percent)
{
    FValue = qBound(0, percent, 100);
    setAccessibleName(TrDialogs("Quality:") + u' ' + QString::number(FValue) + u'%');
    update();
}

QSize TQualityBar::sizeHint() const
{
    return {200, fontMetrics().height() + 6};
}

void TQualityBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width(), h = height();
    for (int x = 0; x < w; ++x) {
        painter.setPen(QualityBarColour(x, w));
        painter.drawLine(x, 0, x, h - 1);
    }
    const int filled = w * FValue / 100;
    painter.fillRect(filled, 0, w - filled, h, palette().color(QPalette::Window));
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, w - 1, h - 1);
    painter.drawText(rect(), Qt::AlignCenter, QString::number(FValue) + u'%');
}

TNewPwdDialog::TNewPwdDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TNewPwdDialog"));
    // No buttons in the title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* lbPwd = new QLabel(TrDialogs("Enter password:"), this);
    edtPwd = PasswordField("edtPwd", "Password", this);
    lbPwd->setBuddy(edtPwd);
    pnRepeat = new QWidget(this);
    pnRepeat->setObjectName(QStringLiteral("pnRepeat"));
    auto* lbRepeat = new QLabel(TrDialogs("Repeat password:"), pnRepeat);
    edtRepPwd = PasswordField("edtRepPwd", "Confirm password", pnRepeat);
    lbRepeat->setBuddy(edtRepPwd);
    auto* lbQuality = new QLabel(TrDialogs("Quality:"), this);
    imgBar = new TQualityBar(this);
    lbQuality->setBuddy(imgBar);
    const TOkCancel okCancel = AddOkCancel(this, TrDialogs("OK"), TrDialogs("Cancel"));
    btOk = okCancel.ok;
    btCancel = okCancel.cancel;
    QDialogButtonBox* buttons = okCancel.box;
    InstallHintKey(this);
    connect(edtPwd, &QLineEdit::textChanged, this, &TNewPwdDialog::UpdateBar);
    connect(edtPwd, &QLineEdit::editingFinished, this, [this] { UpdateBar(edtPwd->text()); });

    auto* repeat = new QHBoxLayout(pnRepeat);
    repeat->setContentsMargins(0, 0, 0, 0);
    repeat->addWidget(lbRepeat);
    repeat->addWidget(edtRepPwd, 1);
    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(lbPwd, 0, 0);
    grid->addWidget(edtPwd, 0, 1);
    grid->addWidget(pnRepeat, 1, 0, 1, 2);
    grid->addWidget(lbQuality, 2, 0);
    grid->addWidget(imgBar, 2, 1);
    grid->addWidget(buttons, 3, 0, 1, 2);
    // The repeat field's label lines up with the first one.
    lbRepeat->setMinimumWidth(qMax(lbPwd->sizeHint().width(), lbRepeat->sizeHint().width()));
    lbPwd->setMinimumWidth(lbRepeat->minimumWidth());
}

int TNewPwdDialog::QualityOf(const QString& text) const
{
    return text.size() < FMinLen ? 0 : GetPasswordStrength(text);
}

void TNewPwdDialog::UpdateBar(const QString& text)
{
    imgBar->SetValue(QualityOf(text));
}

TNewPwdDialog::TCheck TNewPwdDialog::CheckInput() const
{
    const QString pwd = edtPwd->text();
    // Longer passwords would be cut when stored and never match again.
    if (pwd.toUtf8().size() > kStoredPasswordLength)
        return {Fmt(TrDialogs("The password may have at most %u characters."),
                    {QString::number(kStoredPasswordLength)}),
                edtPwd};
    if (!FConf)
        return {};
    if (!pwd.isEmpty() && pwd.size() < FMinLen)
        return {Fmt(TrDialogs("Minimum length of password is %u characters"),
                    {QString::number(FMinLen)}),
                edtPwd};
    if (pwd != edtRepPwd->text())
        return {TrDialogs("Passwords do not match!"), edtRepPwd};
    return {};
}

void TNewPwdDialog::accept()
{
    const TCheck check = CheckInput();
    if (check.message.isEmpty()) {
        QDialog::accept();
        return;
    }
    ErrorMessage(check.message);
    check.focus->setFocus();
}

bool TNewPwdDialog::Execute(const QPoint& APos, const QString& Title, QString& Pwd, bool Confirm,
                            int MinLen)
{
    setWindowTitle(Title);
    FConf = Confirm;
    FMinLen = MinLen;
    edtPwd->clear();
    edtRepPwd->clear();
    UpdateBar(Pwd);
    pnRepeat->setVisible(Confirm);
    adjustSize();
    PlaceDialog(*this, APos);
    edtPwd->setFocus();
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    const bool ok = exec() == QDialog::Accepted;
    if (ok)
        Pwd = edtPwd->text();
    edtPwd->clear();
    edtRepPwd->clear();
    return ok;
}

bool InputNewPassword(const QPoint& APos, const QString& Title, QString& Pwd)
{
    TNewPwdDialog dialog(DialogMainWindow());
    return dialog.Execute(APos, Title, Pwd, false, 8);
}

bool InputNewPassword(const QString& Title, QString& Pwd)
{
    return InputNewPassword(kCentreOnMainWindow, Title, Pwd);
}

void SetNewPasswordAnswerHook(std::function<void(TNewPwdDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

#include "common/ui/PwdDlg.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "common/infra/Translate.h"
#include "common/ui/DialogPosition.h"

namespace {

std::function<void(TPasswordDialog&)>& AnswerHook()
{
    static std::function<void(TPasswordDialog&)> hook;
    return hook;
}

} // namespace

TPasswordDialog::TPasswordDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TPasswordDialog"));
    // No buttons in the title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    lbPrompt = new QLabel(this);
    lbPrompt->setObjectName(QStringLiteral("lbPrompt"));
    lbPrompt->setTextFormat(Qt::PlainText);
    QFont bold = lbPrompt->font();
    bold.setBold(true);
    lbPrompt->setFont(bold);
    auto* label = new QLabel(TrDialogs("Password:"), this);
    edtPwd = new QLineEdit(this);
    edtPwd->setObjectName(QStringLiteral("edtPwd"));
    edtPwd->setEchoMode(QLineEdit::Password);
    edtPwd->setToolTip(TrDialogs("Password"));
    edtPwd->setPlaceholderText(TrDialogs("Password"));
    label->setBuddy(edtPwd);
    btPaste = new QPushButton(TrDialogs("Paste from clipboard"), this);
    btPaste->setObjectName(QStringLiteral("btPaste"));
    btPaste->setAutoDefault(false);
    connect(btPaste, &QPushButton::clicked, this,
            [this] { edtPwd->setText(QGuiApplication::clipboard()->text()); });
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(TrDialogs("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btOk"));
    ok->setDefault(true);
    buttons->addButton(TrDialogs("Cancel"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lbPrompt, 0, 0, 1, 3);
    grid->addWidget(label, 1, 0);
    grid->addWidget(edtPwd, 1, 1);
    grid->addWidget(btPaste, 1, 2);
    grid->addWidget(buttons, 2, 0, 1, 3);
}

int TPasswordDialog::Execute(const QPoint& APos, const QString& Title, const QString& Prompt,
                             QString& Pwd)
{
    setWindowTitle(Title);
    QString prompt = Prompt;
    lbPrompt->setText(prompt.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    edtPwd->clear();
    edtPwd->setFocus();
    adjustSize();
    PlaceDialog(*this, APos);
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    const int result = exec();
    if (result == QDialog::Accepted)
        Pwd = edtPwd->text();
    edtPwd->clear();
    return result;
}

bool InputPassword(const QPoint& APos, const QString& Title, const QString& Prompt, QString& Pwd)
{
    TPasswordDialog dialog(DialogMainWindow());
    return dialog.Execute(APos, Title, Prompt, Pwd) == QDialog::Accepted;
}

void SetPasswordAnswerHook(std::function<void(TPasswordDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

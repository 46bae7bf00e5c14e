#include "common/ui/DialogButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

TOkCancel AddOkCancel(QDialog* dialog, const QString& okCaption, const QString& cancelCaption)
{
    auto* box = new QDialogButtonBox(dialog);
    QPushButton* ok = box->addButton(okCaption, QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btOk"));
    ok->setDefault(true);
    QPushButton* cancel = box->addButton(cancelCaption, QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btCancel"));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return {box, ok, cancel};
}

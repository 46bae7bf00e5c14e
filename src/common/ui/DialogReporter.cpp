#include "common/ui/DialogReporter.h"

#include "common/ui/ShowMessageDlg.h"

void TDialogReporter::Information(const QString& hint, int delaySeconds)
{
    InfoMessage(hint, delaySeconds);
}

void TDialogReporter::Error(const QString& hint, int delaySeconds)
{
    ErrorMessage(hint, delaySeconds);
}

bool TDialogReporter::Confirm(const QString& hint)
{
    return ConfirmMessage(hint);
}

void TDialogReporter::Event(const TEventEntry& entry)
{
    WriteEvent(entry);
}

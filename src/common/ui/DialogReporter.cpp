#include "common/ui/DialogReporter.h"

#include "common/ui/ShowMessageDlg.h"

void TDialogReporter::Information(const QString& hint, int delaySeconds)
{
    InfoMessage(UntitledHint(hint), delaySeconds);
}

void TDialogReporter::Error(const QString& hint, int delaySeconds)
{
    ErrorMessage(UntitledHint(hint), delaySeconds);
}

bool TDialogReporter::Confirm(const QString& hint)
{
    return ConfirmMessage(UntitledHint(hint));
}

void TDialogReporter::Event(const TEventEntry& entry)
{
    WriteEvent(entry);
}

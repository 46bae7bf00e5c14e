#pragma once

#include <functional>

#include <QString>
#include <QStringList>

#include "common/platform/SessionServices.h"
#include "starter/BuConsts.h"

// The action selection offered before a run: buttons and their effect.
struct TActionChoice {
    bool TermProgs = false;
    TDownMode LogOffMode = dmNone;
    TSuspendMode SuspendMode = smNone;
};

// Texts of the action selection dialog.
QStringList ActionButtonCaptions();
QString ActionSelectionCaption(const QString& configList);
QString ActionSelectionOption();
// Applies a result of the selection dialog (button index, +256 with the box ticked);
// false when it was cancelled (-1).
bool ApplyActionSelection(int result, TActionChoice& choice);

// The announcement line of the action after the run, empty for none.
QString ActionAnnouncement(TDownMode logOff, TSuspendMode suspend);

// Terminates the programs that own taskbar windows of this host (never our own, nor those of
// windows from other hosts); each failure adds two lines to the log and one to the error count.
void TerminatePrograms(QStringList& log, int& errCount);

// Does the action after the run; gives the error text to show when it failed, else empty.
QString DoActionAfterRun(ISessionService& session, TDownMode logOff, TSuspendMode suspend);

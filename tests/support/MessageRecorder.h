#pragma once

#include <QStringList>

#include "common/ui/ShowMessageDlg.h"

// Answers every message box with Cancel instead of showing it, and keeps its text.
inline void RecordMessages(QStringList& shown)
{
    SetMessageAnswerHook([&shown](TShowMsgDialog& box) {
        shown.append(box.Message());
        return int(mrCancel);
    });
}

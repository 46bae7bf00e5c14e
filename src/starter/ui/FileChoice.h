#pragma once

#include <functional>

#include <QString>
#include <QStringList>

class QWidget;

// What a file dialog of the starter asks for.
struct TFileRequest {
    QString Title;
    QString Folder;
    QString Filter; // "description|patterns|..." pairs
    QString DefaultSuffix;
    bool Multiple = false; // several files at once
    bool MustExist = true;
};

// Asks for files in Qt's own file dialog (one a screen reader can use; a typed path works);
// empty when cancelled.
QStringList ChooseFiles(QWidget* parent, const TFileRequest& request);

// Tests answer the file dialogs through this hook instead of a person (empty: none).
void SetFileChoiceHook(std::function<QStringList(const TFileRequest&)> hook);

#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QDialog>
#include <QStringList>

#include "starter/GroupEdit.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

// Edits a list of names: remove, rename, move several entries at once.
class TGroupListDialog : public QDialog {
    Q_OBJECT

public:
    explicit TGroupListDialog(QWidget* parent = nullptr);
    ~TGroupListDialog() override;

    // Shows the dialog for the names with the preselected entry; true on OK, the result is then
    // in Entries() and CurrentRow().
    bool Execute(const QString& title, const QString& description, const QStringList& names,
                 int preselected);

    const std::vector<TListEntry>& Entries() const;
    int CurrentRow() const;
    // The actions of the buttons on the selected entries.
    void RemoveSelected();
    void EditCurrent();
    void MoveSelected(bool up);

    QLabel* lbDescription;
    QListWidget* lbItems;
    QGroupBox* gbMove;
    QPushButton* bbUp;
    QPushButton* bbDown;
    QPushButton* bbRemove;
    QPushButton* bbEdit;
    QPushButton* btOk;
    QPushButton* btCancel;

private:
    std::vector<int> SelectedRows() const;
    void ShowEntries(const std::vector<int>& selected, int current);
    void UpdateButtons();

    std::unique_ptr<TEntryListEdit> FList;
    QString FDescription;
};

// Runs the dialog; on OK (true) entries and selectedRow hold the result.
bool EditGroupList(const QString& title, const QString& description, const QStringList& names,
                   int preselected, std::vector<TListEntry>& entries, int& selectedRow);

// Tests answer the dialog through this hook instead of a person (empty: none).
void SetGroupListAnswerHook(std::function<void(TGroupListDialog&)> hook);

#pragma once

#include <functional>

#include <QDialog>
#include <QList>
#include <QPoint>

class QCheckBox;
class QGroupBox;

// Chooses the kinds of backup error on which the action after the backups is not taken.
class TErrorActionDialog : public QDialog {
    Q_OBJECT

public:
    explicit TErrorActionDialog(QWidget* parent = nullptr);

    // Shows the dialog with the boxes of CheckMask ticked; on OK (true) CheckMask holds the bits
    // of the ticked boxes (1 task file not found, 2 destination, 4 source, 8 invalid task,
    // 16 other errors) and nothing else. SubAction names the action in the group's title.
    bool Execute(const QPoint& APos, const QString& SubAction, int& CheckMask);

    // The bits of the ticked boxes.
    int Mask() const;
    void SetMask(int mask);

    QGroupBox* gbErrors;
    QList<QCheckBox*> cbErrors; // in the order of their bits
};

// Creates, runs and frees the dialog; true on OK.
bool EditErrorActions(const QPoint& APos, const QString& SubAction, int& CheckMask);

// Tests answer the dialog through this hook instead of a person (empty: none).
void SetErrorActionAnswerHook(std::function<void(TErrorActionDialog&)> hook);

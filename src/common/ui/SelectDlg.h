#pragma once

#include <functional>

#include <QDialog>
#include <QPoint>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;

// Icons of the selection dialog.
enum TSelectIcon { siWarning = 0, siError = 1, siInformation = 2, siQuestion = 3, siNone = 4 };

// A question answered by one of several buttons, with an optional check box.
class TSelectDialog : public QDialog {
    Q_OBJECT

public:
    explicit TSelectDialog(QWidget* parent = nullptr);

    // Shows the dialog; gives the button's number (the cancel button -1, or 0 without choice
    // buttons) plus 256 when a choice was made with the check box ticked.
    int Execute(const QPoint& APos, const QString& ATitle, const QString& ACaption, int DlgType,
                bool ACaptionBold, const QStringList& AButtons, const QString& AOption,
                int ButtonWidth, int PreSelection, const QString& DefaultButton);

    // The buttons of the last run, choice buttons first, the cancel button last.
    const QList<QPushButton*>& Buttons() const { return FButtonList; }
    // Rows of the last layout, each as button numbers from left to right (-1: cancel).
    const QList<QList<int>>& Rows() const { return FRows; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildButtons(const QStringList& captions, const QString& cancelCaption);
    void Layout();
    void Choose(int number);

    QLabel* imgIcon;
    QLabel* stCaption;
    QCheckBox* cbOption;
    QList<QPushButton*> FButtonList;
    QList<QList<int>> FRows;
    int Selection = -1;
    int FBw = 105;
    int FPreSel = -1;
    bool FBold = false;
};

// Runs a selection dialog centred on the main window and gives its result.
int SelectButton(const QString& ATitle, const QString& ACaption, int DlgType,
                 const QString& DefaultButton, int PreSelection, int ButtonWidth,
                 const QString& AOption, const QStringList& AButtons, bool ACaptionBold);

// Tests answer the dialog through this hook instead of a person (empty: none).
void SetSelectAnswerHook(std::function<void(TSelectDialog&)> hook);

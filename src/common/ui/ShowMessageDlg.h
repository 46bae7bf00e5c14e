#pragma once

#include <functional>

#include <QDialog>
#include <QPoint>
#include <QString>

#include "common/ui/DialogPosition.h"

class QLabel;
class QPushButton;
class QScreen;
class QTimer;

enum TMsgDialogType {
    mdtInformation,
    mdtWarning,
    mdtError,
    mdtConfirm,
    mdtConfirmError,
    mdtConfirmRetry,
    mdtConfirmCancel,
    mdtConfirmYesNo,
    mdtCustom
};

// Buttons that can be the default one.
enum TMsgDlgBtn { mbYes = 0, mbNo = 1, mbOK = 2, mbCancel = 3, mbAbort = 4, mbRetry = 5 };

// Results of a modal dialog.
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrRetry = 4, mrYes = 6, mrNo = 7 };

// The message box of both programs: information, warnings, errors, questions and short hints
// that close themselves.
class TShowMsgDialog : public QDialog {
    Q_OBJECT
public:
    explicit TShowMsgDialog(QWidget* parent = nullptr);

    // Shows the box and returns its modal result; 0 at once, showing nothing, when AHint is
    // empty. AHint is the message, optionally preceded by a title and "|". The box closes
    // itself after Delay seconds (0: it does not, except for mdtCustom).
    int Execute(const QPoint& APos, const QString& AHint, int Delay, TMsgDialogType DlgType,
                TMsgDlgBtn DefaultButton, QScreen* AMonitor = nullptr);

    bool RunTimer() const { return FRunTimer; }
    int TimerInterval() const;
    TMsgDialogType DlgType() const { return FDlgType; }
    QString Message() const { return FCaption; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void SetUp(TMsgDialogType type, TMsgDlgBtn defaultButton);
    void SetButton(QPushButton* button, const char* caption, int result, bool isDefault);
    bool HandleKey(int key);

    QLabel* FIcon;
    QLabel* FText;
    QPushButton* btLeft;
    QPushButton* btCenter;
    QPushButton* btClose;
    QTimer* FTimer;
    bool FRunTimer = false;
    TMsgDialogType FDlgType = mdtInformation;
    QString FCaption;
};

// Test hook: when set, a box is set up and handed to the hook instead of being shown; the
// hook's return value is the box's modal result.
using TMessageAnswerHook = std::function<int(TShowMsgDialog&)>;
void SetMessageAnswerHook(TMessageAnswerHook hook);

// Creates a box, runs it and frees it; returns its modal result.
int MessageDialog(const QPoint& APos, const QString& AHint, int Delay, TMsgDialogType DlgType,
                  TMsgDlgBtn DefaultButton, QScreen* AMonitor = nullptr);
// Centred on the main window, no delay.
int TypedMessage(const QString& AHint, TMsgDialogType DlgType);
// An error centred on the main window, closing itself after Delay seconds (0: it waits).
int ErrorMessage(const QString& AHint, int Delay = 0);
int ErrorMessageAt(const QPoint& APos, const QString& AHint, QScreen* AMonitor = nullptr);
// Information centred on the main window, closing itself after Delay seconds (0: it waits).
int InfoMessage(const QString& AHint, int Delay = 0);
int InfoMessageAt(const QPoint& APos, const QString& AHint, QScreen* AMonitor = nullptr);
// A question; true when Yes was chosen.
bool ConfirmMessage(const QString& AHint);
bool ConfirmMessageAt(const QPoint& APos, const QString& AHint, TMsgDlgBtn DefaultButton,
                      QScreen* AMonitor = nullptr);
// An error with Retry and Cancel; true when Retry was chosen.
bool RetryMessage(const QString& AHint);

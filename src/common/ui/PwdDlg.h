#pragma once

#include <functional>

#include <QDialog>
#include <QPoint>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for an existing password.
class TPasswordDialog : public QDialog {
    Q_OBJECT

public:
    explicit TPasswordDialog(QWidget* parent = nullptr);

    // Shows the dialog; on OK Pwd holds the field's text. Gives QDialog::Accepted or Rejected.
    int Execute(const QPoint& APos, const QString& Title, const QString& Prompt, QString& Pwd);

    QLineEdit* edtPwd;

private:
    QLabel* lbPrompt;
    QPushButton* btPaste;
};

// Runs a password dialog; true when OK was pressed.
bool InputPassword(const QPoint& APos, const QString& Title, const QString& Prompt, QString& Pwd);

// Tests answer the dialog through this hook instead of a person (empty: none).
void SetPasswordAnswerHook(std::function<void(TPasswordDialog&)> hook);

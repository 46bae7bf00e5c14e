#pragma once

#include <functional>

#include <QDialog>
#include <QPoint>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// Gradient colour of a pixel column of the quality bar: red at the left edge, yellow in the
// middle, green at the right edge.
QColor QualityBarColour(int column, int width);

// The quality of a password as a bar with its value in per cent.
class TQualityBar : public QWidget {
    Q_OBJECT

public:
    explicit TQualityBar(QWidget* parent = nullptr);

    int Value() const { return FValue; }
    void SetValue(int percent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int FValue = 0;
};

// Takes a new password, optionally entered twice, and shows its quality.
class TNewPwdDialog : public QDialog {
    Q_OBJECT

public:
    explicit TNewPwdDialog(QWidget* parent = nullptr);

    // Shows the dialog with empty fields and the bar drawn for Pwd; on OK (true) Pwd holds the
    // new password. With Confirm both entries must match and be empty or MinLen long.
    bool Execute(const QPoint& APos, const QString& Title, QString& Pwd, bool Confirm, int MinLen);

    // The bar's value for a text: its strength, 0 when shorter than the minimum length.
    int QualityOf(const QString& text) const;

    struct TCheck {
        QString message; // empty: the entries are fine
        QLineEdit* focus = nullptr;
    };
    // The first check the entries fail.
    TCheck CheckInput() const;

    QLineEdit* edtPwd;
    QLineEdit* edtRepPwd;
    TQualityBar* imgBar;
    QPushButton* btOk;
    QPushButton* btCancel;

protected:
    void accept() override;

private:
    void UpdateBar(const QString& text);

    QWidget* pnRepeat;
    bool FConf = false;
    int FMinLen = 0;
};

// Asks for a new password without confirmation and a minimum length of 8; true on OK.
bool InputNewPassword(const QPoint& APos, const QString& Title, QString& Pwd);
// The same, centred on the main window.
bool InputNewPassword(const QString& Title, QString& Pwd);

// Tests answer the dialog through this hook instead of a person (empty: none).
void SetNewPasswordAnswerHook(std::function<void(TNewPwdDialog&)> hook);

#pragma once

#include <functional>

#include <QDialog>
#include <QPoint>
#include <QStringList>

class QComboBox;
class QLabel;
class QPushButton;

// Most entries a list of earlier entries keeps.
inline constexpr int kMaxHistory = 15;
// The list with the entry at its top: an entry already there moves up; a new one is inserted
// after the last entries have been dropped down to max - 1.
QStringList WithEntryOnTop(QStringList list, const QString& entry, int max = kMaxHistory);

// Shows an editable combo box with its drop-down button, or like a plain edit field.
void ShowAsDropDown(QComboBox* combo, bool dropDown);

// Asks for one line of text, offering earlier entries as suggestions.
class TInputTextDialog : public QDialog {
    Q_OBJECT

public:
    explicit TInputTextDialog(QWidget* parent = nullptr);

    // Shows the dialog; on OK (true) AText holds the text, which also goes to the top of the
    // field's list. Desc is the label and the field's hint; AFontName, when given, its font.
    bool Execute(const QPoint& APos, const QString& Titel, const QString& Desc, bool ShowTable,
                 const QString& AFontName, QString& AText);

    QStringList Items() const;
    void SetItems(const QStringList& items);

    QLabel* Descriptor;
    QComboBox* TextFeld;
    QPushButton* btOk;
    QPushButton* btCancel;

private:
    void FitWidth();

    int defWidth;
};

// Runs the dialog; with a suggestion list the field offers its entries (sorted when asked),
// and on OK the list gets the field's entries, the new one on top. True on OK.
bool InputText(const QPoint& APos, const QString& ATitle, const QString& ALabel, QString& AText,
               bool ASorted = false, QStringList* ASuggestions = nullptr);

// Tests answer the dialog through this hook instead of a person (empty: none).
void SetInputTextAnswerHook(std::function<void(TInputTextDialog&)> hook);

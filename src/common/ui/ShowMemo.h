#pragma once

#include <functional>
#include <vector>

#include <QDialog>
#include <QPoint>
#include <QString>

#include "common/ui/ShowMemoText.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPrinter;
class QPushButton;
class QRadioButton;
class QToolButton;
class TLogView;

// Buttons a caller can offer: bit i of a TShowDlgButtons set.
enum TShowDlgBtn {
    sbOpen,
    sbErase,
    sbPrint,
    sbSearch,
    sbSection,
    sbError,
    sbFont,
    sbCodepage,
    sbExport
};
using TShowDlgButtons = unsigned;
constexpr TShowDlgButtons ShowBtn(TShowDlgBtn button)
{
    return 1u << button;
}
// The button sets of the two logs KvStarter shows: a backup task's log and its own run log.
inline constexpr TShowDlgButtons kBackupLogButtons = 253;
inline constexpr TShowDlgButtons kRunLogButtons = 189;

// stShow: the window stays open beside the caller; stModal: the caller waits for it.
enum TShowDlgType { stShow, stModal };

// Converts a filter of "description|patterns|..." pairs into the file dialog's form.
QString FileDialogFilter(const QString& filter);

// The search dialog of the viewer: text, case, whole words and direction.
class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString& text);
    TSearchOptions Options() const;
    void SetDown(bool down);

    QLineEdit* edFind;
    QCheckBox* cbCase;
    QCheckBox* cbWord;
    QRadioButton* rbUp;
    QRadioButton* rbDown;
    QPushButton* btFind;
    QPushButton* btClose;

signals:
    void Find();
};

// Shows a text file (a log) read-only, with navigation by section and error marks, search,
// code pages, display font, reload, open and print.
class TShowTextDialog : public QDialog {
    Q_OBJECT

public:
    explicit TShowTextDialog(QWidget* parent = nullptr);
    ~TShowTextDialog() override;

    // Sets the dialog up and shows the file; with stModal it returns when the window closes.
    // False when the file does not exist (after the message).
    bool Execute(const QString& Title, const QString& TextDatei, const QString& PrevCap1,
                 const QString& NextCap1, const QString& SrchText1, const QString& PrevCap2,
                 const QString& NextCap2, const QString& SrchText2, const QString& Filter,
                 const QPoint& APos, int Line, TShowDlgType DlgType, TShowDlgButtons Buttons,
                 const TPrinterSettings& PrtSettings, int CodePage);

    // Reads the placement and font of the window from the file when it exists.
    void LoadViewSettings(const QString& AIniName);
    // Writes them back into that file (only when it exists).
    void SaveViewSettings();
    // Reloads the file when the window is visible.
    void ReloadText();
    // Loads the file shown (also after a code-page choice).
    void LoadText();
    // Loads another file and names it in the caption.
    void OpenFile(const QString& fileName);
    // Decodes with the code page from now on (0: automatic) and reloads.
    void ChooseCodePage(int codePage);
    void SetDisplayFont(const QFont& font);

    // Jumps to the next or previous section or error mark.
    void GoSection(bool next);
    void GoError(bool next);
    // Searches the text of the search dialog (F3: its direction, Shift+F3: the other one);
    // false with a message when it is not found.
    bool SearchAgain(bool reverse = false);

    // Prints the lines (from 0) first to last on the printer as pages with a header.
    void PrintLines(QPrinter& printer, qsizetype first, qsizetype last);
    // The print button: asks about a selection, shows the print dialog, prints.
    void PrintText();
    // Removes the selected text after asking, and writes the rest back to the file.
    void DeleteSelection();

    QString TextName() const { return FTextName; }
    int CodePage() const { return FCodePage; }
    int UsedCodePage() const { return FUsedCodePage; }
    const TPrinterSettings& PrinterSettings() const { return FPrinterSettings; }
    QString StatusLine() const;
    QString StatusInfo() const;
    std::vector<int> CodePageNumbers() const { return FCodePageNumbers; }

    TLogView* Memo;
    QToolButton* bbOpen;
    QToolButton* bbReload;
    QToolButton* bbFont;
    QToolButton* bbCodePage;
    QToolButton* bbPrint;
    QToolButton* bbErase;
    QToolButton* bbSearch;
    QToolButton* bbPrevSect;
    QToolButton* bbNextSect;
    QToolButton* bbPrevErr;
    QToolButton* bbNextErr;
    QPushButton* bbClose;
    QLabel* stLine;
    QLabel* stInfo;
    QListWidget* lbCodePage;
    TFindDialog* FindDialog;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void LayoutButtons(TShowDlgButtons buttons);
    void FillCodePageList();
    void ShowCodePageList();
    void PlaceCaretAfterLoad();
    void UpdateStatus();
    void GoMark(const QString& mark, bool next, const char* noneText);
    bool Search(const QString& what, const TSearchOptions& options);
    void SelectPrinter(QPrinter& printer);
    void ChooseFont();
    void OpenClick();
    void ShowWindow(TShowDlgType type);

    QString FTextName;
    QString FTitle;
    QString FFilter;
    QString SectText;
    QString ErrText;
    int LPos = 0;
    TShowDlgType FDlgType = stShow;
    int FCodePage = 0;
    int FUsedCodePage = 0;
    std::vector<int> FCodePageNumbers;
    TPrinterSettings FPrinterSettings;
    QString FIniName;
    bool PosFromIni = false;
    QString ExportPath;
    int LWidth = 0;
    bool FPrinting = false;
};

// The entry of the callers: one viewer at a time. An stShow window stays for later calls,
// which reload it and bring it to the front; an stModal one is freed (and its view settings
// saved) when it closes. Unless APos is (0, -1), the view settings come from the file that
// LoadPrinterSettings named last.
void ShowTextFile(const QString& Title, const QString& TextDatei, const QString& PrevCap1,
                  const QString& NextCap1, const QString& SrchText1, const QString& PrevCap2,
                  const QString& NextCap2, const QString& SrchText2, const QString& Filter,
                  const QPoint& APos, int Line, TShowDlgType DlgType, TShowDlgButtons Buttons,
                  const TPrinterSettings& PrtSettings, int CodePage);
// The viewer that ShowTextFile keeps open (nullptr: none).
TShowTextDialog* ShownTextDialog();
// Frees the kept viewer (saving its view settings); done at program end.
void FreeShowTextDialog();

// Tests handle a modal viewer through this hook once it is shown (empty: none).
void SetShowTextHook(std::function<void(TShowTextDialog&)> hook);
// Tests set the printer up instead of the print dialog; false cancels (empty: the dialog).
void SetPrintDialogHook(std::function<bool(QPrinter&)> hook);

#pragma once

#include <functional>

#include <QDeadlineTimer>
#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QModelIndex;
class QPushButton;
class QSortFilterProxyModel;
class QToolButton;
class QTreeView;

// Roots of the folder tree, in the order of their buttons.
enum TShellRoot { srDesktop, srDocuments, srComputer, srNetwork };

// The folder a launcher file opens: the target of a link or program launcher when that is a
// folder; empty for anything else.
QString LauncherFolder(const QString& path);

// Picks a folder in a tree of the computer's folders, optionally showing the files of the
// selected one.
class TShellDirDialog : public QDialog {
    Q_OBJECT

public:
    explicit TShellDirDialog(QWidget* parent = nullptr);

    // Shows the dialog at Dir (in) and gives the chosen folder with a trailing separator (out)
    // on OK (true). Hidden: hidden folders too; FileView: "Show files" is offered; ZipAsFiles:
    // archives are files (always so here); HomeDir: the folder of "Go to default folder".
    bool Execute(const QString& ATitle, bool Hidden, bool FileView, bool ZipAsFiles,
                 const QString& HomeDir, QString& Dir);

    // Goes to a folder by the look-up rule: empty means the default folder (none: the desktop,
    // nothing selected); a missing one the documents folder; others in the computer's tree.
    void GoTo(const QString& path);
    // The root shown, the selected path (a launcher's folder for a launcher) and the path field.
    TShellRoot Root() const;
    QString SelectedPath() const;
    void SetRoot(TShellRoot root);
    // "One folder up", "Go to default folder", the new-folder and delete-folder commands.
    void FolderUp();
    void GoToDefault();
    bool CreateFolder(const QString& name);
    void DeleteFolder();
    void Refresh();
    // Folder paths of the path field's list, most recent first.
    const QStringList& History() const { return DirList; }

    QTreeView* tvFolders;
    QTreeView* lvFiles;
    QComboBox* cbxSelectedDir;
    QPushButton* btDefault;
    QPushButton* btUp;
    QPushButton* btNewFolder;
    QCheckBox* cbShowFiles;
    QLabel* lbFreeSpace;
    QPushButton* btOk;
    QPushButton* btCancel;

protected:
    void accept() override;

private:
    void BuildRootButtons();
    void BuildTree();
    void BuildFileList();
    void BuildBottom();
    void BuildContextMenu();
    void ShowRoot(TShellRoot root);
    void SelectPath(const QString& path);
    void TreeSelectionChanged(const QModelIndex& current);
    void PathTyped(const QString& text);
    void UpdateFreeSpace(const QString& path);
    void UpdateFileList();
    void AskNewFolder();
    void FillPathList();

    QList<QToolButton*> FRootButtons;
    QButtonGroup* FRoots;
    QFileSystemModel* FTreeModel;
    QSortFilterProxyModel* FTreeFilter;
    QFileSystemModel* FFileModel;
    QString FDefaultDir;
    QStringList DirList;
    bool FFileView = false;
    bool FFollowing = false;
    QDeadlineTimer FSettle;
};

// Runs the program's single folder dialog (its path list lasts for the run); true on OK.
bool SelectFolder(const QString& ATitle, bool Hidden, bool FileView, QString& Dir,
                  const QString& HomeDir);

// Tests answer the dialog through this hook instead of a person (empty: none).
void SetShellDirAnswerHook(std::function<void(TShellDirDialog&)> hook);

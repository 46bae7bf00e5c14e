#include "common/ui/ShellDirDlg.h"

#include <algorithm>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "common/infra/Translate.h"
#include "common/platform/WinShell.h"
#include "common/ui/DialogButtons.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/HintKey.h"
#include "common/ui/InpText.h"
#include "common/ui/SelectDlg.h"
#include "common/ui/ShowMessageDlg.h"

namespace {

std::function<void(TShellDirDialog&)>& AnswerHook()
{
    static std::function<void(TShellDirDialog&)> hook;
    return hook;
}

constexpr std::chrono::milliseconds kSettleTime{1500};

struct TRootSpec {
    const char* objectName;
    const char* caption;
    Qt::Key key; // with Ctrl
};

// Indexed by TShellRoot.
constexpr TRootSpec kRoots[] = {
    {"btDesktop", TrDialogsNoop("Desktop"), Qt::Key_T},
    {"btDocuments", TrDialogsNoop("Documents"), Qt::Key_D},
    {"btComputer", TrDialogsNoop("Computer"), Qt::Key_C},
    {"btNetwork", TrDialogsNoop("Network"), Qt::Key_W},
};

QString WithoutTrailingSlash(const QString& path)
{
    return path.size() > 1 && path.endsWith(u'/') ? path.chopped(1) : path;
}

QString ExistingFolderOr(const QString& path, const QString& fallback)
{
    return !path.isEmpty() && QFileInfo(path).isDir() ? WithoutTrailingSlash(path) : fallback;
}

QString DocumentsFolder()
{
    return ExistingFolderOr(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                            QDir::currentPath());
}

// Network shares are mounted below one of these folders.
QString NetworkFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    for (const QString& folder : {runtime.isEmpty() ? QString() : runtime + QStringLiteral("/gvfs"),
                                  QStringLiteral("/mnt"), QStringLiteral("/media")})
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return QStringLiteral("/");
}

QString RootPath(TShellRoot root)
{
    switch (root) {
    case srDesktop:
        return ExistingFolderOr(QString::fromStdString(GetDesktopFolder()), QDir::homePath());
    case srDocuments:
        return DocumentsFolder();
    case srComputer:
        return QStringLiteral("/");
    case srNetwork:
        return NetworkFolder();
    }
    return QStringLiteral("/");
}

bool IsBelowOrSame(const QString& path, const QString& folder)
{
    return path == folder || folder == u'/' || path.startsWith(folder + u'/');
}

// Shows folders, and launchers that open a folder.
class TFolderFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto* model = static_cast<const QFileSystemModel*>(sourceModel());
        const QModelIndex index = model->index(row, 0, parent);
        return model->isDir(index) || !LauncherFolder(model->filePath(index)).isEmpty();
    }
};

struct TDeleteCount {
    int folders = 0;
    int files = 0;
};

// Deletes a folder with everything in it, read-only files too; symbolic links are removed,
// never followed. False at the first failure.
bool RemoveTree(const QString& path, TDeleteCount& count)
{
    QStringList folders{path};
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        if (entry.isDir() && !entry.isSymLink()) {
            folders.append(entry.filePath());
            continue;
        }
        QFile::setPermissions(entry.filePath(), entry.permissions() | QFile::WriteOwner);
        if (!QFile::remove(entry.filePath()))
            return false;
        ++count.files;
    }
    // Deepest first.
    std::sort(folders.begin(), folders.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& folder : folders) {
        if (!QDir().rmdir(folder))
            return false;
        ++count.folders;
    }
    return true;
}

} // namespace

QString LauncherFolder(const QString& path)
{
    if (!path.endsWith(QString::fromStdString(ShortcutExtension())))
        return QString();
    TShortcutLink link;
    if (ReadShortcut(path.toStdString(), link) != 0)
        return QString();
    const QString target = QString::fromStdString(link.target);
    return !target.isEmpty() && QFileInfo(target).isDir() ? WithoutTrailingSlash(target)
                                                          : QString();
}

TShellDirDialog::TShellDirDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TShellDirDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(TrDialogs("Select directory"));
    BuildRootButtons();
    BuildTree();
    BuildFileList();
    BuildBottom();
    BuildContextMenu();
    InstallHintKey(this);
    resize(720, 480);
}

void TShellDirDialog::BuildRootButtons()
{
    FRoots = new QButtonGroup(this);
    for (int i = 0; i < int(std::size(kRoots)); ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(kRoots[i].objectName));
        button->setText(TrDialogs(kRoots[i].caption));
        button->setCheckable(true);
        button->setShortcut(QKeySequence(Qt::CTRL | kRoots[i].key));
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        FRoots->addButton(button, i);
        FRootButtons.append(button);
    }
    connect(FRoots, &QButtonGroup::idClicked, this,
            [this](int id) { SetRoot(static_cast<TShellRoot>(id)); });
}

void TShellDirDialog::BuildTree()
{
    FTreeModel = new QFileSystemModel(this);
    FTreeModel->setNameFilters({QStringLiteral("*") + QString::fromStdString(ShortcutExtension())});
    FTreeModel->setNameFilterDisables(false);
    FTreeModel->setReadOnly(true);
    FTreeFilter = new TFolderFilter(this);
    FTreeFilter->setSourceModel(FTreeModel);
    FTreeFilter->setSortCaseSensitivity(Qt::CaseInsensitive);
    FTreeFilter->sort(0);
    tvFolders = new QTreeView(this);
    tvFolders->setObjectName(QStringLiteral("tvFolders"));
    tvFolders->setAccessibleName(TrDialogs("Folders"));
    tvFolders->setModel(FTreeFilter);
    tvFolders->setHeaderHidden(true);
    for (int column = 1; column < FTreeModel->columnCount(); ++column)
        tvFolders->hideColumn(column);
    // Folders are read in the background: keep the chosen one in view while its parents load.
    connect(FTreeModel, &QFileSystemModel::directoryLoaded, this, [this] {
        if (!FSettle.hasExpired())
            tvFolders->scrollTo(tvFolders->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
    connect(tvFolders->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { TreeSelectionChanged(current); });
}

void TShellDirDialog::BuildFileList()
{
    FFileModel = new QFileSystemModel(this);
    FFileModel->setReadOnly(true);
    lvFiles = new QTreeView(this);
    lvFiles->setObjectName(QStringLiteral("lvFiles"));
    lvFiles->setAccessibleName(TrDialogs("Files"));
    lvFiles->setModel(FFileModel);
    lvFiles->setRootIsDecorated(false);
    lvFiles->setSortingEnabled(true);
    lvFiles->sortByColumn(0, Qt::AscendingOrder);
    lvFiles->hide();
}

void TShellDirDialog::BuildBottom()
{
    auto* lbDir = new QLabel(TrDialogs("Directory:"), this);
    cbxSelectedDir = new QComboBox(this);
    cbxSelectedDir->setObjectName(QStringLiteral("cbxSelectedDir"));
    cbxSelectedDir->setEditable(true);
    cbxSelectedDir->setInsertPolicy(QComboBox::NoInsert);
    cbxSelectedDir->setMaxVisibleItems(kMaxHistory);
    cbxSelectedDir->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    lbDir->setBuddy(cbxSelectedDir);
    connect(cbxSelectedDir, &QComboBox::editTextChanged, this, &TShellDirDialog::PathTyped);
    auto makeButton = [this](const char* name, const char* caption, Qt::Key key) {
        auto* button = new QPushButton(TrDialogs(caption), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        button->setShortcut(QKeySequence(Qt::CTRL | key));
        return button;
    };
    btDefault = makeButton("btDefault", TrDialogsNoop("Go to default folder"), Qt::Key_H);
    btUp = makeButton("btUp", TrDialogsNoop("One folder up"), Qt::Key_U);
    btNewFolder = makeButton("btNewFolder", TrDialogsNoop("Create new folder"), Qt::Key_N);
    connect(btDefault, &QPushButton::clicked, this, &TShellDirDialog::GoToDefault);
    connect(btUp, &QPushButton::clicked, this, &TShellDirDialog::FolderUp);
    connect(btNewFolder, &QPushButton::clicked, this, &TShellDirDialog::AskNewFolder);
    cbShowFiles = new QCheckBox(TrDialogs("Show files"), this);
    cbShowFiles->setObjectName(QStringLiteral("cbShowFiles"));
    connect(cbShowFiles, &QCheckBox::toggled, this, &TShellDirDialog::UpdateFileList);
    lbFreeSpace = new QLabel(this);
    lbFreeSpace->setObjectName(QStringLiteral("lbFreeSpace"));
    const TOkCancel okCancel = AddOkCancel(this, TrDialogs("OK"), TrDialogs("Cancel"));
    btOk = okCancel.ok;
    btCancel = okCancel.cancel;
    QDialogButtonBox* buttons = okCancel.box;

    auto* roots = new QHBoxLayout;
    for (QToolButton* b : FRootButtons)
        roots->addWidget(b);
    roots->addStretch(1);
    auto* views = new QSplitter(this);
    views->addWidget(tvFolders);
    views->addWidget(lvFiles);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(lbDir);
    pathRow->addWidget(cbxSelectedDir, 1);
    auto* commands = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{btDefault, btUp, btNewFolder, cbShowFiles})
        commands->addWidget(w);
    commands->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lbFreeSpace, 1);
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(roots);
    layout->addWidget(views, 1);
    layout->addLayout(pathRow);
    layout->addLayout(commands);
    layout->addLayout(bottom);
}

void TShellDirDialog::BuildContextMenu()
{
    tvFolders->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto add = [this](const char* caption, auto slot) {
        auto* action = new QAction(TrDialogs(caption), tvFolders);
        connect(action, &QAction::triggered, this, slot);
        tvFolders->addAction(action);
        return action;
    };
    add(TrDialogsNoop("Create folder"), [this] { AskNewFolder(); });
    add(TrDialogsNoop("Delete folder"), [this] { DeleteFolder(); });
    QAction* update = add(TrDialogsNoop("Update"), [this] { Refresh(); });
    update->setShortcut(QKeySequence(Qt::Key_F5));
    update->setShortcutContext(Qt::WindowShortcut);
    add(TrDialogsNoop("Cancel"), [] {});
}

TShellRoot TShellDirDialog::Root() const
{
    return static_cast<TShellRoot>(qMax(0, FRoots->checkedId()));
}

void TShellDirDialog::ShowRoot(TShellRoot root)
{
    FRootButtons[root]->setChecked(true);
    const QString path = RootPath(root);
    FTreeModel->setRootPath(path);
    tvFolders->setRootIndex(FTreeFilter->mapFromSource(FTreeModel->index(path)));
}

void TShellDirDialog::SetRoot(TShellRoot root)
{
    ShowRoot(root);
    tvFolders->setCurrentIndex(QModelIndex());
    TreeSelectionChanged(QModelIndex());
}

void TShellDirDialog::SelectPath(const QString& path)
{
    const QModelIndex index = FTreeFilter->mapFromSource(FTreeModel->index(path));
    tvFolders->setCurrentIndex(index);
    tvFolders->expand(index);
    tvFolders->scrollTo(index, QAbstractItemView::PositionAtCenter);
    FSettle = QDeadlineTimer(kSettleTime);
}

QString TShellDirDialog::SelectedPath() const
{
    const QModelIndex index = FTreeFilter->mapToSource(tvFolders->currentIndex());
    if (!index.isValid())
        return QString();
    const QString path = FTreeModel->filePath(index);
    return FTreeModel->isDir(index) ? path : LauncherFolder(path);
}

void TShellDirDialog::GoTo(const QString& path)
{
    QString folder = WithoutTrailingSlash(path.isEmpty() ? FDefaultDir : path);
    if (folder.isEmpty()) {
        SetRoot(srDesktop);
        return;
    }
    if (!QFileInfo(folder).isDir())
        folder = DocumentsFolder();
    folder = QFileInfo(folder).absoluteFilePath();
    const QString network = NetworkFolder();
    ShowRoot(network != u'/' && IsBelowOrSame(folder, network) ? srNetwork : srComputer);
    SelectPath(folder);
}

void TShellDirDialog::TreeSelectionChanged(const QModelIndex&)
{
    const QString path = SelectedPath();
    if (!FFollowing) {
        const QSignalBlocker block(cbxSelectedDir);
        cbxSelectedDir->setEditText(path);
    }
    btOk->setEnabled(!path.isEmpty() && QFileInfo(path).isDir());
    UpdateFreeSpace(path);
    UpdateFileList();
}

void TShellDirDialog::PathTyped(const QString& text)
{
    const bool exists = !text.isEmpty() && QFileInfo(text).isDir();
    if (exists) {
        FFollowing = true;
        const QString folder = QFileInfo(WithoutTrailingSlash(text)).absoluteFilePath();
        if (!IsBelowOrSame(folder, RootPath(Root())))
            ShowRoot(srComputer);
        SelectPath(folder);
        FFollowing = false;
    }
    btOk->setEnabled(exists);
}

void TShellDirDialog::UpdateFreeSpace(const QString& path)
{
    const QStorageInfo storage(path);
    QString text;
    if (!path.isEmpty() && storage.isValid() && storage.isReady() && storage.bytesTotal() > 0) {
        const QLocale locale;
        text = Fmt(TrDialogs("%s free of %s"), {locale.formattedDataSize(storage.bytesAvailable()),
                                                locale.formattedDataSize(storage.bytesTotal())});
    }
    lbFreeSpace->setText(text);
    lbFreeSpace->setAccessibleName(text.isEmpty() ? TrDialogs("Free space") : text);
}

void TShellDirDialog::UpdateFileList()
{
    const bool shown = FFileView && cbShowFiles->isChecked();
    lvFiles->setVisible(shown);
    if (!shown)
        return;
    const QString path = SelectedPath();
    FFileModel->setRootPath(path);
    lvFiles->setRootIndex(path.isEmpty() ? QModelIndex() : FFileModel->index(path));
}

void TShellDirDialog::FolderUp()
{
    const QString current = SelectedPath();
    const QString rootPath = RootPath(Root());
    if (current.isEmpty() || current == rootPath) {
        ShowRoot(srComputer);
        if (!current.isEmpty())
            SelectPath(current);
        return;
    }
    const QString parent = QFileInfo(current).absolutePath();
    if (Root() != srDocuments || !IsBelowOrSame(parent, rootPath))
        ShowRoot(srComputer);
    SelectPath(parent);
}

void TShellDirDialog::GoToDefault()
{
    if (!FDefaultDir.isEmpty() && QFileInfo(FDefaultDir).isDir()) {
        ShowRoot(srComputer);
        SelectPath(QFileInfo(WithoutTrailingSlash(FDefaultDir)).absoluteFilePath());
        return;
    }
    ErrorMessage(Fmt(TrDialogs("Directory not found:\r\n%s!"), {FDefaultDir}));
    DirList.removeAll(WithoutTrailingSlash(FDefaultDir));
    FillPathList();
}

void TShellDirDialog::FillPathList()
{
    const QString text = cbxSelectedDir->currentText();
    const QSignalBlocker block(cbxSelectedDir);
    cbxSelectedDir->clear();
    cbxSelectedDir->addItems(DirList);
    cbxSelectedDir->setEditText(text);
    ShowAsDropDown(cbxSelectedDir, !DirList.isEmpty());
}

bool TShellDirDialog::CreateFolder(const QString& name)
{
    const QString base = SelectedPath();
    const QString path = QDir(base.isEmpty() ? RootPath(Root()) : base).absoluteFilePath(name);
    if (!QDir().mkpath(path)) {
        ErrorMessage(Fmt(TrDialogs("Could not create directory:\r\n%s!"), {path}));
        return false;
    }
    SelectPath(QDir::cleanPath(path));
    return true;
}

void TShellDirDialog::AskNewFolder()
{
    QString name;
    if (InputText(kCentreOnMainWindow, SelectedPath(), TrDialogs("New subdirectory:"), name) &&
        !name.isEmpty())
        CreateFolder(name);
}

void TShellDirDialog::DeleteFolder()
{
    const QString path = SelectedPath();
    if (path.isEmpty() || path == RootPath(Root()))
        return;
    const int choice = SelectButton(
        TrDialogs("Delete directory"), Fmt(TrDialogs("Delete \"%s\""), {path}), siQuestion,
        QString(), -1, 0, QString(), {TrDialogs("Definitely"), TrDialogs("To recycle bin")}, true);
    if (choice < 0)
        return;
    FolderUp();
    TDeleteCount count;
    if ((choice & 0xFF) == 1 && QFile::moveToTrash(path))
        InfoMessage(Fmt(TrDialogs("%s moved to Recycle Bin!"), {path}));
    else if ((choice & 0xFF) == 0 && RemoveTree(path, count))
        InfoMessage(Fmt(TrDialogs("%u directories with %u files deleted!"),
                        {QString::number(count.folders), QString::number(count.files)}));
    else
        ErrorMessage(Fmt(TrDialogs("Error deleting directory:\r\n%s!"), {path}));
    Refresh();
}

void TShellDirDialog::Refresh()
{
    // The model watches the folders it shows; a new root path makes it read them afresh.
    const QString selected = SelectedPath();
    ShowRoot(Root());
    if (!selected.isEmpty())
        SelectPath(selected);
}

void TShellDirDialog::accept()
{
    const QString text = QDir::cleanPath(cbxSelectedDir->currentText());
    if (text.isEmpty() || !QFileInfo(text).isDir())
        return;
    DirList = WithEntryOnTop(DirList, text);
    QDialog::accept();
}

bool TShellDirDialog::Execute(const QString& ATitle, bool Hidden, bool FileView,
                              bool /*ZipAsFiles*/, const QString& HomeDir, QString& Dir)
{
    setWindowTitle(ATitle.isEmpty() ? TrDialogs("Select directory") : ATitle);
    FDefaultDir = HomeDir;
    FFileView = FileView;
    const QDir::Filters hidden = Hidden ? QDir::Hidden | QDir::System : QDir::Filters();
    FTreeModel->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | hidden);
    FFileModel->setFilter(QDir::Files | hidden);
    cbShowFiles->setVisible(FileView);
    btDefault->setVisible(!FDefaultDir.isEmpty());
    btDefault->setToolTip(TrDialogs("Default: ") + FDefaultDir);
    FillPathList();
    GoTo(Dir);
    UpdateFileList();
    PlaceDialog(*this, kCentreOnMainWindow);
    KeepOnScreen(*this);
    tvFolders->setFocus();
    if (AnswerHook())
        QTimer::singleShot(0, this, [this] { AnswerHook()(*this); });
    if (exec() != QDialog::Accepted)
        return false;
    Dir = DirList.first();
    if (!Dir.endsWith(u'/'))
        Dir += u'/';
    return true;
}

bool SelectFolder(const QString& ATitle, bool Hidden, bool FileView, QString& Dir,
                  const QString& HomeDir)
{
    // One dialog for the whole run, so its path list collects the folders chosen.
    static QPointer<TShellDirDialog> dialog;
    if (!dialog)
        dialog = new TShellDirDialog(DialogMainWindow());
    return dialog->Execute(ATitle, Hidden, FileView, true, HomeDir, Dir);
}

void SetShellDirAnswerHook(std::function<void(TShellDirDialog&)> hook)
{
    AnswerHook() = std::move(hook);
}

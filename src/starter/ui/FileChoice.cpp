#include "starter/ui/FileChoice.h"

#include <QFileDialog>

#include "common/ui/ShowMemo.h"

namespace {

std::function<QStringList(const TFileRequest&)>& Hook()
{
    static std::function<QStringList(const TFileRequest&)> hook;
    return hook;
}

} // namespace

QStringList ChooseFiles(QWidget* parent, const TFileRequest& request)
{
    if (Hook())
        return Hook()(request);
    QFileDialog dialog(parent, request.Title, request.Folder, FileDialogFilter(request.Filter));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(request.Multiple    ? QFileDialog::ExistingFiles
                       : request.MustExist ? QFileDialog::ExistingFile
                                           : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void SetFileChoiceHook(std::function<QStringList(const TFileRequest&)> hook)
{
    Hook() = std::move(hook);
}

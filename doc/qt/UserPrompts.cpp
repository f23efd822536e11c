#include "doc/qt/UserPrompts.h"

#include "doc/qt/ColorCountDlg.h"
#include "doc/qt/DocStrings.h"

#include <QFileDialog>
#include <QMessageBox>

#include <utility>

namespace {

IUserPrompts* g_installedPrompts = nullptr;

QString RunFileDialog(const FileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(nullptr, request.caption);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(request.filters);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

void CQtUserPrompts::Warning(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, ui::AppName, text, QMessageBox::Ok);
    box.exec();
}

QString CQtUserPrompts::SaveFileName(const FileDialogRequest& request)
{
    return RunFileDialog(request, QFileDialog::AcceptSave);
}

QString CQtUserPrompts::OpenFileName(const FileDialogRequest& request)
{
    return RunFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<int> CQtUserPrompts::AskColorCount(int current)
{
    CColorCountDlg dialog;
    dialog.m_nColors = current;
    if (dialog.DoModal() != QDialog::Accepted)
        return std::nullopt;
    return dialog.m_nColors;
}

IUserPrompts& Prompts()
{
    static CQtUserPrompts realPrompts;
    return g_installedPrompts ? *g_installedPrompts : realPrompts;
}

IUserPrompts* SetPrompts(IUserPrompts* prompts)
{
    return std::exchange(g_installedPrompts, prompts);
}

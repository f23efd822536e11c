#include "doc/qt/KarvexDoc.h"

#include "doc/ColorHistogram.h"
#include "doc/PictureFiles.h"
#include "doc/PictureGeoReference.h"
#include "doc/qt/BusyCursor.h"
#include "doc/qt/DocStrings.h"
#include "doc/qt/ErrorText.h"
#include "doc/qt/UserPrompts.h"

#include <QFile>
#include <QFileInfo>

#include <exception>
#include <utility>

namespace {

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

void CKarvexDoc::SetPathName(const QString& path)
{
    m_strPathName = path;
    SetTitle(QFileInfo(path).fileName());
}

void CKarvexDoc::SetTitle(const QString& title)
{
    m_strTitle = title;
    emit titleChanged();
}

bool CKarvexDoc::CanOpenForReading(const QString& path)
{
    QFile file(path);
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly))
        return true;
    Prompts().Warning(ui::CannotOpenFile.arg(path));
    return false;
}

bool CKarvexDoc::OnOpenDocument(const QString& path)
{
    if (!CanOpenForReading(path))
        return false;

    const std::string localPath = LocalPath(path);
    const PictureFormat* format = FormatOfPath(localPath);
    if (!format || !format->read) {
        Prompts().Warning(ui::UnknownFormat);
        return false;
    }
    bool ok;
    {
        CBusyCursor busy;
        ok = ReadPicture(localPath, *format);
    }
    if (!ok) {
        Prompts().Warning(ui::OpenFailed);
        return false;
    }
    UpdateAllViews();
    return true;
}

bool CKarvexDoc::ReadPicture(const std::string& localPath, const PictureFormat& format)
{
    // The picture is read into a fresh raster and moved into place only when
    // the whole of it was read, so a failed open never leaves half a picture.
    try {
        CMapRaster fresh;
        format.read(localPath, fresh, m_limits);
        std::string problem;  // a world file that cannot be read leaves the picture without a place
        std::optional<GeoReference> where = ReadPictureGeoReference(localPath, problem);
        raster = std::move(fresh);
        geo = std::move(where);
        return true;
    } catch (...) {
        return false;
    }
}

QString CKarvexDoc::AdjustSaveName(const QString& path)
{
    // The extension is taken from the file's own name: a dot in a folder
    // name must not turn /maps.old/plan into /maps.rgm.
    const QString fileName = QFileInfo(path).fileName();
    const qsizetype dotInName = fileName.lastIndexOf(QLatin1Char('.'));
    if (dotInName < 0 || fileName.isEmpty())
        return path + QLatin1Char('.') + ui::SaveDefaultSuffix();
    const qsizetype dot = path.size() - fileName.size() + dotInName;
    const std::string extension = ExtensionOf(LocalPath(path));
    const PictureFormat* format = FormatOfExtension(extension);
    const QString kept = format && format->write ? QString::fromStdString(extension) : ui::SaveDefaultSuffix();
    return path.left(dot + 1) + kept;
}

bool CKarvexDoc::OnSaveDocument(QString& path)
{
    path = AdjustSaveName(path);
    const QString chosen = Prompts().SaveFileName(
        {ui::SaveDialogCaption, path, {ui::WritableFilter()}, ui::SaveDefaultSuffix()});
    if (chosen.isEmpty())
        return false;

    const std::string localPath = LocalPath(chosen);
    const PictureFormat* format = FormatOfPath(localPath);
    if (!format || !format->write)
        return false;  // any other extension writes nothing and says nothing

    try {
        CBusyCursor busy;
        format->write(localPath, raster);
        WritePictureGeoReference(localPath, geo);
    } catch (const std::exception& error) {
        Prompts().Warning(ui::NotSaved.arg(chosen, SaveFailureReason(error, chosen)));
        return false;
    }
    UpdateAllViews();
    return true;
}

bool CKarvexDoc::DoFileSave()
{
    QString name = m_strPathName;
    const QFileInfo existing(name);
    if (name.isEmpty() || !existing.isFile() || !existing.isWritable()) {
        const QString proposal = name.isEmpty() ? m_strTitle : name;
        name = Prompts().SaveFileName({ui::SaveAsCaption, proposal, {ui::ReadableFilter()}, QString()});
        if (name.isEmpty())
            return false;
    }
    if (!OnSaveDocument(name))
        return false;
    SetPathName(name);
    return true;
}

void CKarvexDoc::OnViewColors()
{
    const std::optional<int> wanted = Prompts().AskColorCount(raster.colorCount);
    if (!wanted || *wanted >= raster.colorCount)
        return;
    try {
        CBusyCursor busy;
        ReduceColorCount(raster, *wanted);
    } catch (const std::exception& error) {
        Prompts().Warning(ui::ColorsNotChanged.arg(ChangeFailureReason(error)));
    }
    UpdateAllViews();
}

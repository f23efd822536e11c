#include "doc/qt/KarvexDoc.h"

#include "app/Strings.h"
#include "doc/ColorHistogram.h"
#include "doc/PictureFiles.h"
#include "doc/RgmFile.h"
#include "doc/TruecolorImport.h"
#include "doc/qt/BusyCursor.h"
#include "doc/qt/ErrorText.h"
#include "doc/qt/UserPrompts.h"

#include <QFile>
#include <QFileInfo>

#include <exception>
#include <utility>

namespace {

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Runs a core reader on a fresh raster and moves it into place only when the
// whole picture was read, so a failed open never leaves half a picture.
template <typename Reader>
int ReadInto(CMapRaster& raster, const QString& path, Reader reader)
{
    try {
        CMapRaster fresh;
        reader(LocalPath(path), fresh);
        raster = std::move(fresh);
        return 1;
    } catch (...) {
        return 0;
    }
}

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
    int ok = 0;
    {
        CBusyCursor busy;
        switch (KindOfPath(localPath)) {
        case PictureKind::Rgm:
            ok = ReadNativeFile(path);
            break;
        case PictureKind::Jpg:
            ok = ImportJpeg(path);
            break;
        case PictureKind::Bmp:
            ok = ImportBmp(path);
            break;
        case PictureKind::Unknown:
            Prompts().Warning(ui::UnknownFormat);
            return false;
        }
    }
    if (!ok) {
        Prompts().Warning(ui::OpenFailed);
        return false;
    }
    UpdateAllViews();
    return true;
}

int CKarvexDoc::ReadNativeFile(const QString& path)
{
    return ReadInto(raster, path, [](const std::string& p, CMapRaster& r) { ::ReadNativeFile(p, r); });
}

int CKarvexDoc::ImportJpeg(const QString& path)
{
    return ReadInto(raster, path, [](const std::string& p, CMapRaster& r) { ::ImportJpeg(p, r); });
}

int CKarvexDoc::ImportBmp(const QString& path)
{
    return ReadInto(raster, path, [](const std::string& p, CMapRaster& r) { ::ImportBmp(p, r); });
}

void CKarvexDoc::SetTruecolorPixels(int32_t width, int32_t height, const uint32_t* pixels)
{
    CMapRaster fresh;
    ::SetTruecolorPixels(fresh, width, height, pixels);
    raster = std::move(fresh);
}

QString CKarvexDoc::AdjustSaveName(const QString& path)
{
    // The extension is taken from the file's own name: a dot in a folder
    // name must not turn /maps.old/plan into /maps.rgm.
    const QString fileName = QFileInfo(path).fileName();
    const qsizetype dotInName = fileName.lastIndexOf(QLatin1Char('.'));
    if (dotInName < 0 || fileName.isEmpty())
        return path + QStringLiteral(".rgm");
    const qsizetype dot = path.size() - fileName.size() + dotInName;
    const QString extension = ExtensionOf(LocalPath(path)).c_str();
    const QString kept = (extension == QLatin1String("rgm") || extension == QLatin1String("bmp"))
                             ? extension
                             : QStringLiteral("rgm");
    return path.left(dot + 1) + kept;
}

bool CKarvexDoc::OnSaveDocument(QString& path)
{
    path = AdjustSaveName(path);
    const QString chosen = Prompts().SaveFileName(
        {ui::SaveDialogCaption, path, {ui::SaveFilter}, ui::SaveDefaultSuffix});
    if (chosen.isEmpty())
        return false;

    const std::string localPath = LocalPath(chosen);
    const PictureKind kind = KindOfPath(localPath);
    if (kind != PictureKind::Rgm && kind != PictureKind::Bmp)
        return false;  // any other extension writes nothing and says nothing

    try {
        CBusyCursor busy;
        SavePicture(localPath, raster);
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
        name = Prompts().SaveFileName({ui::SaveAsCaption, proposal, {ui::SaveAsFilter}, QString()});
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

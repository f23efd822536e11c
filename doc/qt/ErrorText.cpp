#include "doc/qt/ErrorText.h"

#include "codec/MapRaster.h"
#include "codec/RgmFormat.h"
#include "doc/SafeFile.h"

#include <QFileInfo>

#include <new>
#include <stdexcept>

namespace {

const QString kNoMemory = QStringLiteral("内存不足。");
const QString kUnexpected = QStringLiteral("发生了意外的错误。");

// Which of the reasons a failed write has: the folder is missing, or it
// cannot be written there (no right, disk full, a folder in the way).
QString FileWriteReason(const QString& path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("文件夹“%1”不存在。").arg(folder.filePath());
    if (file.isDir())
        return QStringLiteral("这个名字已是一个文件夹。");
    return QStringLiteral("无法写入这个文件：没有写入权限，或者磁盘已满。");
}

}  // namespace

QString SaveFailureReason(const std::exception& error, const QString& path)
{
    if (dynamic_cast<const FileError*>(&error))
        return FileWriteReason(path);
    if (dynamic_cast<const RgmEncodeError*>(&error))
        return QStringLiteral("这幅图片不能以这种格式保存（图片是空的，或者颜色、边界太多）。");
    if (dynamic_cast<const std::bad_alloc*>(&error) || dynamic_cast<const RasterError*>(&error))
        return kNoMemory;
    if (dynamic_cast<const std::invalid_argument*>(&error))
        return QStringLiteral("不识别的格式!");
    return kUnexpected;
}

QString ChangeFailureReason(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error) || dynamic_cast<const RasterError*>(&error))
        return kNoMemory;
    return kUnexpected;
}

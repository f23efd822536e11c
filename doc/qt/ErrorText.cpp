#include "doc/qt/ErrorText.h"

#include "codec/KarvexError.h"

#include <QFileInfo>

#include <new>

namespace {

const QString kUnexpected = QStringLiteral("发生了意外的错误。");

// The reason for each error code, as the user reads it.
QString ReasonOf(ErrorCode code)
{
    switch (code) {
    case ErrorCode::FileAccess:
        return QStringLiteral("无法读写这个文件。");
    case ErrorCode::FileTooLarge:
        return QStringLiteral("文件太大。");
    case ErrorCode::NoMemory:
        return QStringLiteral("内存不足。");
    case ErrorCode::TooLarge:
        return QStringLiteral("图片太大。");
    case ErrorCode::NoPixels:
        return QStringLiteral("图片是空的，没有像素。");
    case ErrorCode::Truncated:
        return QStringLiteral("文件不完整。");
    case ErrorCode::Malformed:
        return QStringLiteral("文件已损坏。");
    case ErrorCode::Unsupported:
        return QStringLiteral("不支持这种图片。");
    case ErrorCode::CannotEncode:
        return QStringLiteral("这幅图片不能以这种格式保存（图片是空的，或者颜色、边界太多）。");
    case ErrorCode::UnknownFormat:
        return QStringLiteral("不识别的格式!");
    }
    return kUnexpected;
}

QString ReasonOf(const std::exception& error)
{
    if (const auto* known = dynamic_cast<const KarvexError*>(&error))
        return ReasonOf(known->code());
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return ReasonOf(ErrorCode::NoMemory);
    return kUnexpected;
}

// A failed write says which: the folder is missing, the name is a folder,
// or it cannot be written there (no right, disk full).
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
    const auto* known = dynamic_cast<const KarvexError*>(&error);
    if (known && known->code() == ErrorCode::FileAccess)
        return FileWriteReason(path);
    return ReasonOf(error);
}

QString ChangeFailureReason(const std::exception& error) { return ReasonOf(error); }

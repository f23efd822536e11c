// The texts the document, its prompts and the colour-count dialog show. The
// shell's own texts are in app/Strings.h, which includes these.
#pragma once

#include "doc/PictureFiles.h"

#include <QString>

namespace ui {

inline const QString AppName = QStringLiteral("Karvex");

// File dialogs. The filters list the formats of the format table.
inline const QString SaveAsCaption = QStringLiteral("保存为");       // before the first save of a document
inline const QString SaveDialogCaption = QStringLiteral("另存为");   // the document's own save dialog
inline QString ReadableFilter() { return QString::fromStdString(DialogFilter(FormatUse::Read)); }
inline QString WritableFilter() { return QString::fromStdString(DialogFilter(FormatUse::Write)); }
inline QString SaveDefaultSuffix() { return QString::fromStdString(DefaultSaveExtension()); }

// Messages.
inline const QString UnknownFormat = QStringLiteral("不识别的格式!");
inline const QString OpenFailed = QStringLiteral("打开失败!");
inline const QString CannotOpenFile = QStringLiteral("无法打开文件“%1”。");
inline const QString NotSaved = QStringLiteral("文件“%1”没有保存。\n%2");
inline const QString ColorsNotChanged = QStringLiteral("颜色数目没有改变。\n%1");

// Colour-count dialog.
inline const QString ColorDialogCaption = QStringLiteral("颜色查看");
inline const QString ColorDialogLabel = QStringLiteral("颜色数目");
inline const QString ColorDialogOk = QStringLiteral("OK");
inline const QString EnterInteger = QStringLiteral("请键入一个整数。");
inline const QString IntegerRange = QStringLiteral("“请填入一个在%1和%2之间的整数。”");

}  // namespace ui

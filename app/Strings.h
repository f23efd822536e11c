// Every text the desktop shell shows; the document's own texts are in
// doc/qt/DocStrings.h. The interface is Chinese.
#pragma once

#include "doc/qt/DocStrings.h"

#include <QString>

namespace ui {

// Names and titles.
inline const QString UntitledBase = QStringLiteral("Karvex");  // untitled documents: Karvex1, Karvex2, ...
inline const QString Ready = QStringLiteral("就绪");

// Settings (standing in for the registry key of the original platform).
inline const QString SettingsOrganisation = QStringLiteral("Local AppWizard-Generated Applications");
inline const QString SettingsApplication = QStringLiteral("Karvex");
inline const QString RecentFileGroup = QStringLiteral("Recent File List");
inline const QString RecentFileEntry = QStringLiteral("File%1");
inline const QString SettingsGroup = QStringLiteral("Settings");
inline const QString PreviewPagesEntry = QStringLiteral("PreviewPages");
inline const QString WindowGeometryEntry = QStringLiteral("WindowGeometry");  // in SettingsGroup

// Menus.
inline const QString MenuFile = QStringLiteral("文件(&F)");
inline const QString MenuView = QStringLiteral("查看(&V)");
inline const QString MenuWindow = QStringLiteral("窗口(&W)");
inline const QString MenuHelp = QStringLiteral("帮助(&H)");
inline const QString ItemOpen = QStringLiteral("打开(&O)...");
inline const QString ItemSave = QStringLiteral("保存(&S)");
inline const QString ItemRecentPlaceholder = QStringLiteral("最近文件");
inline const QString ItemExit = QStringLiteral("退出(&X)");
inline const QString ItemStatusBar = QStringLiteral("状态栏(&S)");
inline const QString ItemColors = QStringLiteral("颜色数(&C)");
inline const QString ItemFitToWindow = QStringLiteral("适合窗口(&F)");
inline const QString ItemWindowNew = QStringLiteral("新建窗口(&N)");
inline const QString ItemCascade = QStringLiteral("层叠(&C)");
inline const QString ItemTile = QStringLiteral("平铺(&T)");
inline const QString ItemArrange = QStringLiteral("排列图标(&A)");
inline const QString ItemAbout = QStringLiteral("关于 Karvex(&A)...");

// Prompts shown in the status bar's message pane while an item is highlighted.
inline const QString PromptNew = QStringLiteral("建立新文档");
inline const QString PromptOpen = QStringLiteral("打开一个现有文档");
inline const QString PromptSave = QStringLiteral("保存活动文档");
inline const QString PromptRecent = QStringLiteral("打开该文档");
inline const QString PromptExit = QStringLiteral("退出应用程序；提示保存文档");
inline const QString PromptStatusBar = QStringLiteral("显示或隐藏状态栏");
inline const QString PromptColors = QStringLiteral("查看修改当前图片颜色数目");
inline const QString PromptWindowNew = QStringLiteral("为活动文档打开另一个窗口");
inline const QString PromptCascade = QStringLiteral("排列窗口成相互重叠");
inline const QString PromptTile = QStringLiteral("排列窗口成互不重叠");
inline const QString PromptArrange = QStringLiteral("将图标排列在窗口底部");
inline const QString PromptAbout = QStringLiteral("显示程序信息，版本号和版权");
inline const QString PromptActivateWindow = QStringLiteral("激活此窗口");
inline const QString PromptRecentPath = QStringLiteral("打开该文档：%1");
inline const QString PromptFitToWindow = QStringLiteral("缩放图片使其整个显示在窗口中");
inline const QString PromptCloseWindow = QStringLiteral("关闭活动窗口");
inline const QString PromptNextWindow = QStringLiteral("切换到下一个窗口");
inline const QString PromptPrevWindow = QStringLiteral("切换到上一个窗口");

// Status bar panes.
inline const QString PaneCaps = QStringLiteral("大写");
inline const QString PaneNum = QStringLiteral("数字");
inline const QString PaneScroll = QStringLiteral("滚动");
inline const QString PaneX = QStringLiteral("x=?\?\?\?");
inline const QString PaneY = QStringLiteral("y=?\?\?\?");
inline const QString PaneRgb = QStringLiteral("rgb=(?\?\?,?\?\?,?\?\?)");
inline const QString ReadoutX = QStringLiteral("x=%1");
inline const QString ReadoutY = QStringLiteral("y=%1");
inline const QString ReadoutRgb = QStringLiteral("rgb=(%1,%2,%3)");
inline const QString PaneZoom = QStringLiteral("????%");
inline const QString ReadoutZoom = QStringLiteral("%1%");
inline const QString ReadoutMap = QStringLiteral("%1, %2");  // map coordinates of the pixel's centre
inline const QString PaneMapTip = QStringLiteral("光标处的地图坐标");
inline const QString LockStateUnknown = QStringLiteral("此平台不提供锁定键状态");

// File dialogs.
inline const QString OpenDialogCaption = QStringLiteral("打开");
inline const QString AllFilesFilter = QStringLiteral("所有文件 (*.*) (*)");

// About box.
inline const QString AboutCaption = QStringLiteral("关于 Karvex");
inline const QString AboutText = QStringLiteral("Karvex 1.0 版：强力压缩地图图片的程序");
inline const QString AboutOk = QStringLiteral("确定");

}  // namespace ui

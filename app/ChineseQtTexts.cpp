#include "app/ChineseQtTexts.h"

#include <QLocale>

#include <cstring>

void UseChineseLocale()
{
    // The file dialog formats dates and sizes with the system locale, which
    // Qt reads from the environment when it starts (sizes follow LC_MESSAGES).
    qputenv("LC_TIME", "zh_CN.UTF-8");
    qputenv("LC_MESSAGES", "zh_CN.UTF-8");
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
}

QString CQtTextGapsTranslator::translate(const char* context, const char* sourceText,
                                         const char* /*disambiguation*/, int /*n*/) const
{
    // The file-type column of the file dialog.
    struct Text {
        const char* source;
        const char* chinese;
    };
    static const Text fileTypes[] = {
        {"Folder", "文件夹"}, {"File", "文件"}, {"Drive", "驱动器"}, {"Alias", "别名"}, {"Shortcut", "快捷方式"}};
    if (std::strcmp(context, "QAbstractFileIconProvider") != 0)
        return {};
    for (const Text& text : fileTypes)
        if (std::strcmp(sourceText, text.source) == 0)
            return QString::fromUtf8(text.chinese);
    return {};
}

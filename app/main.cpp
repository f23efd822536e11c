// The desktop program. A file name given here opens nothing; karvex --open FILE... opens files.
#include "app/ChineseQtTexts.h"
#include "app/KarvexApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    UseChineseLocale();  // before Qt reads the system locale
    QApplication application(argc, argv);
    CKarvexApp theApp;
    if (!theApp.InitInstance(QApplication::arguments()))
        return 0;
    return QApplication::exec();
}

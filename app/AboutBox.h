// The About box: the program's icon, one line about the program, and "确定".
#pragma once

#include <QDialog>

class CAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit CAboutBox(QWidget* parent = nullptr);
};

// The program's icons, drawn in code: icon 128 (the program) and icon 129 (a document).
#pragma once

#include <QIcon>

QIcon AppIcon();
QIcon DocumentIcon();

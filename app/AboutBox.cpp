#include "app/AboutBox.h"

#include "app/AppIcons.h"
#include "app/Strings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(ui::AboutCaption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(32, 32));
    auto* text = new QLabel(ui::AboutText, this);
    auto* ok = new QPushButton(ui::AboutOk, this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addWidget(text, 1, Qt::AlignTop);
    layout->addWidget(ok, 0, Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

#include "doc/qt/ColorCountDlg.h"

#include "doc/qt/DocStrings.h"
#include "doc/qt/UserPrompts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kMinColors = 1;
constexpr int kMaxColors = 256;
}  // namespace

CColorCountDlg::CColorCountDlg(QWidget* parent) : QDialog(parent), m_pEdit(new QLineEdit(this))
{
    setWindowTitle(ui::ColorDialogCaption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(ui::ColorDialogLabel, this));
    m_pEdit->setFixedWidth(m_pEdit->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    row->addWidget(m_pEdit);

    auto* ok = new QPushButton(ui::ColorDialogOk, this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CColorCountDlg::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(ok);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int CColorCountDlg::DoModal()
{
    m_pEdit->setText(QString::number(m_nColors));
    m_pEdit->selectAll();
    m_pEdit->setFocus();
    return exec();
}

bool CColorCountDlg::DoDataExchange()
{
    bool isInteger = false;
    // Spaces and tabs around the number are accepted.
    const int value = m_pEdit->text().trimmed().toInt(&isInteger);
    QString complaint;
    if (!isInteger)
        complaint = ui::EnterInteger;
    else if (value < kMinColors || value > kMaxColors)
        complaint = ui::IntegerRange.arg(kMinColors).arg(kMaxColors);
    if (!complaint.isEmpty()) {
        Prompts().Warning(complaint);
        m_pEdit->setFocus();
        m_pEdit->selectAll();
        return false;
    }
    m_nColors = value;
    return true;
}

void CColorCountDlg::accept()
{
    if (DoDataExchange())
        QDialog::accept();
}

// The colour-count dialog: shows the picture's colour count and accepts a new
// one from 1 to 256. OK is the default button; Escape and the close box cancel.
#pragma once

#include <QDialog>

class QLineEdit;

class CColorCountDlg : public QDialog {
    Q_OBJECT
public:
    explicit CColorCountDlg(QWidget* parent = nullptr);

    // Exchanged with the edit control: shown when the dialog opens, set on OK.
    int m_nColors = 0;

    int DoModal();
    QLineEdit* Edit() const { return m_pEdit; }

    // Reads the edit control into m_nColors and checks the range; on a bad
    // entry tells the user, selects the text and returns false.
    bool DoDataExchange();

public slots:
    void accept() override;

private:
    QLineEdit* m_pEdit;
};

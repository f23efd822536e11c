// Qt's own texts in Chinese: the locale for dates, sizes and file types in
// the file dialogs, and the few dialog texts Qt's translation file lacks.
#pragma once

#include <QTranslator>

// Makes Chinese (China) the locale of formatted dates and numbers and of
// file-type names. Call before the QApplication is made, and again later:
// the system locale is read once, when Qt starts.
void UseChineseLocale();

// Answers the file dialog's texts that the Chinese Qt translation misses.
class CQtTextGapsTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override;
};

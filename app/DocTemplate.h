// The document template: makes documents with their child frames and views,
// names untitled documents, finds documents already open, and destroys a
// document with its last view.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

class CChildFrame;
class CKarvexView;
class CKarvexDoc;
class QMdiArea;

class CMultiDocTemplate : public QObject {
    Q_OBJECT
public:
    explicit CMultiDocTemplate(QObject* parent = nullptr);
    ~CMultiDocTemplate() override;

    // Where new child frames go (the main frame's client area).
    void SetMdiArea(QMdiArea* area) { m_pMdiArea = area; }

    // An empty path makes a new untitled document ("Karvex1", "Karvex2", ...).
    // A file already open has its window activated instead. Returns the
    // document, or nullptr when the open failed (nothing is left behind then).
    CKarvexDoc* OpenDocumentFile(const QString& path);
    CKarvexDoc* OpenNewDocument();

    // Another child frame and view on doc, shown maximised.
    CChildFrame* NewWindow(CKarvexDoc* doc);

    const QList<CKarvexDoc*>& Documents() const { return m_docs; }
    // Closes every document window without asking.
    void CloseAllDocuments();

signals:
    // A file was opened successfully (for the recent-file list).
    void documentOpened(const QString& path);

private:
    CKarvexDoc* FindOpenDocument(const QString& path) const;
    CChildFrame* CreateNewFrame(CKarvexDoc* doc);
    void InitialUpdateFrame(CChildFrame* frame);
    void OnViewGone(CKarvexDoc* doc, CKarvexView* view);
    void UpdateFrameTitles(CKarvexDoc* doc);

    QMdiArea* m_pMdiArea = nullptr;
    QList<CKarvexDoc*> m_docs;
    int m_nUntitledCount = 0;
};

// The document: one open picture, with the framework-style bookkeeping
// (path name, title, views) and the open, save and colour-count commands.
#pragma once

#include "codec/MapRaster.h"

#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>

class CKarvexView;

class CKarvexDoc : public QObject {
    Q_OBJECT
public:
    explicit CKarvexDoc(QObject* parent = nullptr) : QObject(parent) {}

    CMapRaster raster;

    // Asks every view of the document to refresh (the views listen to viewsNeedUpdate).
    void UpdateAllViews(CKarvexView* sender = nullptr, long hint = 0)
    {
        (void)sender;
        (void)hint;
        emit viewsNeedUpdate();
    }

    // Path name and title. SetPathName also sets the title to the file's name.
    const QString& GetPathName() const { return m_strPathName; }
    const QString& GetTitle() const { return m_strTitle; }
    void SetPathName(const QString& path);
    void SetTitle(const QString& title);
    // Documents are never marked modified, so closing never asks to save.
    bool IsModified() const { return false; }

    // The views showing this document, kept by the document template.
    const QList<CKarvexView*>& Views() const { return m_views; }
    void AddView(CKarvexView* view) { m_views.append(view); }
    void RemoveView(CKarvexView* view) { m_views.removeOne(view); }

    // Opens path by its extension (.rgm, .jpg, .bmp). On failure tells the
    // user, leaves the raster as it was and returns false.
    bool OnOpenDocument(const QString& path);
    // Asks for the file name in the save dialog (proposing path with its
    // extension adjusted, which path receives) and writes .rgm or .bmp.
    bool OnSaveDocument(QString& path);
    // File Save: saves to the path name when it is an existing writable file,
    // otherwise asks for a name first; records the adjusted name afterwards.
    bool DoFileSave();
    // The colour-count command.
    void OnViewColors();

    // Readers: 1 on success (the picture is then in the raster), 0 on failure.
    int ReadNativeFile(const QString& path);
    int ImportJpeg(const QString& path);
    int ImportBmp(const QString& path);
    // Reduces truecolour pixels (width x height words) into the raster. Throws on failure.
    void SetTruecolorPixels(int32_t width, int32_t height, const uint32_t* pixels);

    // The save dialog's proposal: extension lower-cased, and anything but
    // rgm or bmp (or none) becomes rgm. Only the file's own name is looked at.
    static QString AdjustSaveName(const QString& path);

signals:
    void viewsNeedUpdate();
    void titleChanged();

private:
    bool CanOpenForReading(const QString& path);

    QString m_strPathName;
    QString m_strTitle;
    QList<CKarvexView*> m_views;
};

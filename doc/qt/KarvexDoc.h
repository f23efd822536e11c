// The document: one open picture, with the framework-style bookkeeping
// (path name, title, views) and the open, save and colour-count commands.
#pragma once

#include "codec/Limits.h"
#include "codec/MapRaster.h"
#include "doc/GeoReference.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>
#include <string>

class CKarvexView;
struct PictureFormat;

class CKarvexDoc : public QObject {
    Q_OBJECT
public:
    explicit CKarvexDoc(QObject* parent = nullptr) : QObject(parent) {}

    CMapRaster raster;
    // Where the picture lies on the map, when its file said so; saved with it.
    std::optional<GeoReference> geo;

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

    // Opens path in the format of its extension. On failure tells the user,
    // leaves the raster as it was and returns false.
    bool OnOpenDocument(const QString& path);
    // Asks for the file name in the save dialog (proposing path with its
    // extension adjusted, which path receives) and writes it in the format
    // of the chosen name's extension.
    bool OnSaveDocument(QString& path);
    // File Save: saves to the path name when it is an existing writable file,
    // otherwise asks for a name first; records the adjusted name afterwards.
    bool DoFileSave();
    // The colour-count command.
    void OnViewColors();

    // The save dialog's proposal: a writable format's extension lower-cased,
    // anything else (or none) becomes the default one (rgm). Only the
    // file's own name is looked at.
    static QString AdjustSaveName(const QString& path);

signals:
    void viewsNeedUpdate();
    void titleChanged();

private:
    bool CanOpenForReading(const QString& path);
    // Reads the picture into the raster; false (raster unchanged) on failure.
    bool ReadPicture(const std::string& localPath, const PictureFormat& format);

    Limits m_limits;

    QString m_strPathName;
    QString m_strTitle;
    QList<CKarvexView*> m_views;
};

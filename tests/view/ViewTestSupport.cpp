#include "ViewTestSupport.h"

#include <QTest>

namespace viewtest {

QApplication& App()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_view";
    static char* argv[] = {name, nullptr};
    // Never destroyed: a QApplication torn down among the exit handlers
    // crashes in Qt's own statics.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

uint8_t PixelAt(uint32_t x, uint32_t y) { return uint8_t((x + 2 * y) % 7); }

QRgb ColourOf(uint8_t index)
{
    if (index >= 7)
        return qRgb(0, 0, 0);
    return qRgb(30 * index + 10, 255 - 30 * index, (index * 90) % 256);
}

void FillDocument(CKarvexDoc& doc, uint32_t width, uint32_t height)
{
    CMapRaster& r = doc.raster;
    r.Resize(width, height);
    r.colorCount = 7;
    for (int i = 0; i < 256; ++i) {
        const QRgb c = ColourOf(uint8_t(i));
        r.palette[i] = uint32_t(qRed(c)) | uint32_t(qGreen(c)) << 8 | uint32_t(qBlue(c)) << 16;
    }
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            r.indexRows[y][x] = PixelAt(x, y);
}

std::unique_ptr<CKarvexView> ShowView(CKarvexDoc& doc, int width, int height)
{
    App();
    auto view = std::make_unique<CKarvexView>(&doc);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->resize(width, height);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        return nullptr;
    view->OnInitialUpdate();
    return view;
}

QImage Grab(CKarvexView& view)
{
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace viewtest

// Paint cost of the map view: a 1920 x 1080 client showing a 40-megapixel
// picture at several zooms, painted onto an offscreen image.
#include "doc/qt/KarvexDoc.h"
#include "view/KarvexView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <memory>

namespace {

constexpr int kClientWidth = 1920, kClientHeight = 1080;
constexpr uint32_t kPictureWidth = 8000, kPictureHeight = 5000;  // 40 megapixels

// A map-like picture: flat blocks of colour with thin diagonal lines.
CKarvexDoc& Document()
{
    static CKarvexDoc* doc = [] {
        auto* d = new CKarvexDoc;
        CMapRaster& r = d->raster;
        r.Resize(kPictureWidth, kPictureHeight);
        r.colorCount = 16;
        for (uint32_t i = 0; i < 16; ++i)
            r.palette[i] = (i * 15) | (255 - i * 13) << 8 | (i * 37 % 256) << 16;
        for (uint32_t y = 0; y < kPictureHeight; ++y)
            for (uint32_t x = 0; x < kPictureWidth; ++x)
                r.indexRows[y][x] = (x + y) % 97 == 0 ? 15 : uint8_t((x / 150 + 3 * (y / 110)) % 15);
        return d;
    }();
    return *doc;
}

CKarvexView& View()
{
    static CKarvexView* view = [] {
        auto* v = new CKarvexView(&Document());
        v->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        v->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        v->resize(kClientWidth, kClientHeight);
        v->show();  // lays out the viewport at the full size
        return v;
    }();
    return *view;
}

void BM_PaintView(benchmark::State& state)
{
    const double zoom = double(state.range(0)) / 10;
    CKarvexView& view = View();
    view.m_dZoom = zoom;
    view.OnInitialUpdate();
    view.CenterOnImagePoint(kPictureWidth / 2.0, kPictureHeight / 2.0);

    QImage target(kClientWidth, kClientHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&target);
        view.OnDraw(painter);
    }
    state.SetLabel("zoom " + std::to_string(zoom).substr(0, 4));
}
BENCHMARK(BM_PaintView)->Arg(1)->Arg(5)->Arg(10)->Arg(30)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

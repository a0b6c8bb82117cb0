// The viewer's picture: painting every layer against painting the bare
// image, at the zoom that fits the character into a maximised window, for a
// 64 x 64, a 512 x 512 and a 4096 x 4096 character:
//   BM_PaintBare/<side>: the image alone, as the viewer paints it;
//   BM_PaintAllLayers/<side>: borders, hull, defects, deficiency, zones and
//     their values over it;
//   BM_Analyses/<side>: what the layers need, made once per image (not per
//     paint), for scale.
// Read the ratio of the first two at each side.
#include <benchmark/benchmark.h>

#include "bench_images.hpp"
#include "picture.hpp"
#include "scene.hpp"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <map>
#include <memory>

namespace {

// The image area of a maximised viewer on a 1920 x 1080 screen.
const QSize kRoom(1600, 950);

const vanto::Layers kAllLayers = vanto::BordersLayer | vanto::HullLayer | vanto::DefectsLayer
    | vanto::DeficiencyLayer | vanto::ZonesLayer | vanto::ZoneValuesLayer;

// One scene a side, its analyses made before any paint is timed.
vanto::ViewerScene& scene(int side)
{
    static std::map<int, std::unique_ptr<vanto::ViewerScene>> scenes;
    auto& made = scenes[side];
    if (!made) {
        made = std::make_unique<vanto::ViewerScene>(glifora::bench::ringWithBar(side));
        made->borders();
        made->hull();
        made->deficiency();
        made->zones();
    }
    return *made;
}

void paint(benchmark::State& state, vanto::Layers layers)
{
    const int side = static_cast<int>(state.range(0));
    vanto::ViewerScene& shown = scene(side);
    const vanto::Zoom zoom = vanto::fitZoom({ side, side }, kRoom);
    // The window's backing store.
    QImage window(kRoom, QImage::Format_ARGB32_Premultiplied);
    const QRect area(QPoint(0, 0), zoom.pictureSize({ side, side }));
    for (auto _ : state) {
        QPainter painter(&window);
        vanto::paintPicture(painter, shown, zoom, layers, area);
        painter.end();
        benchmark::DoNotOptimize(window.constBits());
    }
    state.SetLabel(zoom.text().toStdString());
}

void BM_PaintBare(benchmark::State& state)
{
    paint(state, {});
}

void BM_PaintAllLayers(benchmark::State& state)
{
    paint(state, kAllLayers);
}

void BM_Analyses(benchmark::State& state)
{
    const vanto::Bitmap image = glifora::bench::ringWithBar(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        vanto::ViewerScene fresh(image);
        fresh.borders();
        fresh.hull();
        fresh.deficiency();
        benchmark::DoNotOptimize(fresh.zones());
    }
}

BENCHMARK(BM_PaintBare)->Arg(64)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintAllLayers)->Arg(64)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Analyses)->Arg(64)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Text needs a QGuiApplication; no window is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

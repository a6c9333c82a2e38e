// Time of the capture overlay's drawing on a 1920 x 1080 screen: what one mouse move costs
// while dragging (full recomposition with the info box) and the panel redrawn on every move.
#include "capture/overlayfont.h"
#include "capture/overlaypainter.h"
#include "capture/panelbackground.h"
#include "capture/panellayout.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace inkwell {
namespace {

QImage screenPicture()
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            row[x] = qRgb(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF);
    }
    return img;
}

void ComposeFullScreen(benchmark::State& state)
{
    const QImage frozen = screenPicture();
    const QFont font = overlayFont();
    QImage target;
    int i = 0;
    for (auto _ : state) {
        // A drag: the corner and the pointer move each time.
        const int d = i++ % 200;
        const CaptureRect sel { 300, 200, 1200 + d, 800 + d / 2 };
        composeCapture(target, frozen, sel, CapturePoint { 1200 + d, 800 + d / 2 }, OverlayColours {}, font);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetLabel("1920x1080 frame, handles, info box");
}
BENCHMARK(ComposeFullScreen)->Unit(benchmark::kMillisecond);

void ComposeInfoPanel(benchmark::State& state)
{
    PanelComposer composer(makePanelBackground(), overlayFont());
    QImage target;
    int i = 0;
    for (auto _ : state) {
        const int v = i++ & 0xFF;
        composer.compose(target, kPanelWidth, kPanelHeight, PanelHelp::Fixed, qRgb(v, 255 - v, v / 2));
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(ComposeInfoPanel)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace inkwell

int main(int argc, char** argv)
{
    // Drawing needs fonts but no display.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

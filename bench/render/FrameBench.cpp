// One frame of the test as the subject waits for it: DrawScene on the experiment window, from
// the canvas work on the processor to the frame on the screen, for every number of completed
// targets, at two screen sizes, through OpenGL and through the raster path that stands in
// where OpenGL 2 cannot be had. Prints the median and the maximum per frame; never fails.

#include <QGuiApplication>
#include <QScreen>
#include <QSize>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "core/render/SceneComposition.h"
#include "gui/render/CTouchWnd.h"
#include "gui/render/DrawScene.h"
#include "gui/render/OpenWindow.h"
#include "gui/render/RenderPath.h"
#include "gui/render/SceneImages.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

void Measure(quorvel::RenderPath path, QSize size, int rounds) {
    quorvel::CTouchWnd window;
    window.ForceRenderPath(path);
    const char* name = quorvel::RenderPathName(path);
    if (quorvel::test::OpenWindow(window, size) != 1) {
        std::printf("  %-6s %dx%d: cannot be set up, nothing measured\n", name, size.width(),
                    size.height());
        return;
    }
    quorvel::ExperimentState state;
    quorvel::test::GridLayout(state);
    quorvel::test::BuildSceneImages(window, state);
    // The first frame uploads every image; a run pays that once, before the clock starts.
    quorvel::DrawScene(window, state, 0);

    std::vector<double> canvas;
    std::vector<double> frame;
    for (int round = 0; round < rounds; ++round) {
        for (int n = 0; n <= quorvel::kTargetCount; ++n) {
            const Clock::time_point t0 = Clock::now();
            quorvel::ComposeCanvas(window.m_textures, state, n);
            const Clock::time_point t1 = Clock::now();
            quorvel::DrawScene(window, state, n);
            const Clock::time_point t2 = Clock::now();
            canvas.push_back(Ms(t1 - t0));
            frame.push_back(Ms(t2 - t1));
        }
    }
    std::printf(
        "  %-6s %4dx%-4d  canvas: median %7.2f  max %7.2f   whole frame: median %7.2f  max "
        "%7.2f\n",
        name, size.width(), size.height(), Median(canvas),
        *std::max_element(canvas.begin(), canvas.end()), Median(frame),
        *std::max_element(frame.begin(), frame.end()));
    window.DestroyWindow();
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::printf("frame_bench: DrawScene per frame over n = 0..25 (milliseconds)\n");
    // The whole frame waits for the display (swap interval 1), so its time depends on this.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        std::printf("  display refresh %.1f Hz\n", screen->refreshRate());
    }
    // The raster path does not wait for the display: its frame is handed to the window system.
    for (const quorvel::RenderPath path :
         {quorvel::RenderPath::OpenGL, quorvel::RenderPath::Raster}) {
        Measure(path, QSize(1920, 1080), 8);
        Measure(path, QSize(3840, 2160), 4);
    }
    return 0;
}

#include "gui/render/CDXWnd.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QScreen>
#include <QSurfaceFormat>
#include <QWidget>
#include <QtMath>
#include <algorithm>
#include <cmath>

#include "gui/platform/MessagePump.h"
#include "gui/platform/WindowStacking.h"
#include "gui/render/RasterPresenter.h"
#include "gui/render/SpriteRenderer.h"

namespace quorvel {

namespace {

// How long UpdateWindow waits for the window system to put the window on the screen.
constexpr int kExposeWaitMs = 1000;

QSurfaceFormat PresentFormat() {
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSwapInterval(1);  // each presentation waits for the display's refresh
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    return format;
}

}  // namespace

CDXWnd::CDXWnd() = default;

CDXWnd::~CDXWnd() {
    // Only the device goes here: a derived window has already torn down its own part.
    ReleaseDevice();
    m_window.reset();
}

bool CDXWnd::Create(const QString& caption, QWidget* parentFrame, const QRect& rect) {
    if (m_window != nullptr) {
        return false;
    }
    m_path = m_forcedPath.has_value() ? *m_forcedPath : ChoosePath();
    SurfaceEvents& events = *this;
    m_window = std::make_unique<SurfaceWindow>(
        events, m_path == RenderPath::Raster ? QSurface::RasterSurface : QSurface::OpenGLSurface);
    m_window->setFormat(PresentFormat());
    m_window->setTitle(caption);
    if (parentFrame != nullptr && parentFrame->window()->windowHandle() != nullptr) {
        m_window->setTransientParent(parentFrame->window()->windowHandle());
    }
    // The rectangle is in physical pixels; the window is placed in device-independent ones.
    const QScreen* screen = m_window->screen();
    const qreal ratio = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    const QSize size(qRound(rect.width() / ratio), qRound(rect.height() / ratio));
    // Where the window system places windows itself, the window gets its size (what it has
    // whenever it is not full screen) and its state, never a position.
    if (WindowSystemPlacesWindows()) {
        m_window->resize(size);
        return true;
    }
    m_window->setGeometry(QRect(QPoint(qFloor(rect.x() / ratio), qFloor(rect.y() / ratio)), size));
    // Without a window manager nobody fits a full-screen window to a screen that changed size
    // during a test (a projector plugged in, a resolution changed): the window does it itself.
    if (QScreen* current = m_window->screen()) {
        SurfaceWindow* surface = m_window.get();
        QObject::connect(current, &QScreen::geometryChanged, surface, [surface](const QRect& now) {
            if (surface->windowStates().testFlag(Qt::WindowFullScreen)) {
                surface->setGeometry(now);
            }
        });
    }
    return true;
}

void CDXWnd::ShowMaximized() {
    if (m_window != nullptr) {
        m_window->showFullScreen();
    }
}

void CDXWnd::UpdateWindow() {
    if (m_window == nullptr || !m_window->isVisible()) {
        return;
    }
    QDeadlineTimer deadline(kExposeWaitMs);
    while (!m_window->isExposed() && !deadline.hasExpired()) {
        Idle();
    }
}

void CDXWnd::DestroyWindow() {
    if (m_window == nullptr) {
        return;
    }
    OnDestroy();
    m_window.reset();
}

QWindow* CDXWnd::Window() const {
    return m_window.get();
}

void CDXWnd::OnDestroy() {
    ReleaseDevice();
}

std::unique_ptr<QOpenGLContext> CDXWnd::CreateContext() {
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(m_window->requestedFormat());
    if (!context->create()) {
        return nullptr;
    }
    return context;
}

int CDXWnd::InitDirect3D() {
    // A window set up before and never released starts again from nothing, so the canvas is
    // always index 0 of an empty table.
    ReleaseDevice();
    if (m_window == nullptr) {
        return 0;
    }
    const QSize pixels = m_window->PixelSize();
    m_windowWidth = pixels.width();
    m_windowHeight = pixels.height();
    m_scale = 1.0;
    m_logicalWidth = kLogicalWidth;
    m_logicalHeight = kLogicalHeight;
    m_offsetX = 0.0;
    m_offsetY = 0.0;
    // A fresh context has not been lost.
    m_deviceLost = false;
    // Room for a whole scene (25 circles, the path, the ring, the canvas), so drawing a frame
    // never allocates.
    constexpr std::size_t kSpritesPerFrame = 64;
    m_drawing.reserve(kSpritesPerFrame);
    m_presented.reserve(kSpritesPerFrame);

    if (m_path == RenderPath::Raster) {
        m_renderer.clear();
        m_raster = std::make_unique<RasterPresenter>(*m_window);
    } else if (InitOpenGL() == 0) {
        return 0;
    }
    SetupMatrices();
    if (UpdateViewport() == 0) {
        return 0;
    }
    if (m_textures.AddTexture(m_logicalWidth, m_logicalHeight, TextureFormat::X8R8G8B8) == -1) {
        return 0;
    }

    // Until the first frame the window shows black, as the window class's background would.
    if (BeginFrame() == 1) {
        EndFrame();
    }
    return 1;
}

int CDXWnd::InitOpenGL() {
    m_context = CreateContext();
    if (m_context == nullptr || !m_context->makeCurrent(m_window.get())) {
        return 0;
    }
    // Kept for the run's record: the same layout can time differently on another driver.
    m_renderer = QString::fromLatin1(
        reinterpret_cast<const char*>(m_context->functions()->glGetString(GL_RENDERER)));
    auto sprite = std::make_unique<SpriteRenderer>(*m_context);
    if (!sprite->Create()) {
        return 0;
    }
    m_sprite = std::move(sprite);
    return 1;
}

bool CDXWnd::HasDevice() const {
    return m_window != nullptr &&
           ((m_context != nullptr && m_sprite != nullptr) || m_raster != nullptr);
}

int CDXWnd::UpdateViewport() {
    if ((m_context == nullptr && m_raster == nullptr) || m_windowWidth <= 0 ||
        m_windowHeight <= 0 || m_logicalWidth <= 0 || m_logicalHeight <= 0) {
        return 0;
    }
    const StimulusMapping m =
        FitStimulusSpace(m_windowWidth, m_windowHeight, m_logicalWidth, m_logicalHeight);
    FrameCells cells = CellsForWindow(m_windowWidth, m_windowHeight, m);
    if (m_sprite != nullptr &&
        (!m_context->makeCurrent(m_window.get()) || !m_sprite->SetCells(cells))) {
        return 0;
    }
    m_cells = std::move(cells);
    m_scale = m.scale;
    m_offsetX = m.offsetX;
    m_offsetY = m.offsetY;
    return 1;
}

int CDXWnd::SetupMatrices() {
    // Window pixels, origin top-left and y downwards, onto the device's clip space.
    m_projection.setToIdentity();
    m_projection.ortho(0.0f, static_cast<float>(m_windowWidth), static_cast<float>(m_windowHeight),
                       0.0f, -1.0f, 1.0f);
    return 1;
}

void CDXWnd::OnSize(Qt::WindowStates states, int width, int height) {
    // Sizes that arrive while the window is created and shown, before the device exists,
    // and those of a minimised window change nothing.
    if ((m_context == nullptr && m_raster == nullptr) || (states & Qt::WindowMinimized)) {
        return;
    }
    m_windowWidth = width;
    m_windowHeight = height;
    // The device follows the new size (what a reset does elsewhere); its textures stay. The
    // picture follows at once: touches are mapped with the new size from now on, and the
    // subject must see the circles where they are now taken to be.
    SetupMatrices();
    UpdateViewport();
    OnExpose();
}

void CDXWnd::OnExpose() {
    // Never in the middle of a frame being drawn, and only once there is a device.
    if (m_frameOpen || m_replaying || !HasDevice()) {
        return;
    }
    m_replaying = true;
    if (BeginFrame() == 1) {
        // Before the first frame this presents black, as the window class's background would.
        for (const SpriteDraw& draw : m_presented) {
            DrawSprite(draw.texture, static_cast<float>(draw.x), static_cast<float>(draw.y));
        }
        EndFrame();
    }
    m_replaying = false;
}

void CDXWnd::OnTouch(QTouchEvent& /*event*/) {}

void CDXWnd::OnMouse(QMouseEvent& /*event*/) {}

TextureHandle CDXWnd::AddTexture(int width, int height, TextureFormat format) {
    return m_textures.AddTexture(width, height, format);
}

int CDXWnd::ResetTextures() {
    return m_textures.ResetTextures(m_logicalWidth, m_logicalHeight);
}

int CDXWnd::LockTexture(TextureHandle index) {
    return m_textures.LockTexture(index);
}

int CDXWnd::UnlockTexture(TextureHandle index) {
    return m_textures.UnlockTexture(index);
}

int CDXWnd::BeginFrame() {
    m_frameOpen = false;
    if (!HasDevice() || m_deviceLost) {
        return 0;
    }
    if (m_path == RenderPath::Raster) {
        m_frameOpen = true;
        m_drawing.clear();
        return 1;
    }
    if (!m_context->makeCurrent(m_window.get())) {
        // A context that went invalid was lost with its device; nothing is drawn from now on.
        if (!m_context->isValid()) {
            m_deviceLost = true;
        }
        return 0;
    }
    QOpenGLFunctions* gl = m_context->functions();
    gl->glViewport(0, 0, m_windowWidth, m_windowHeight);
    gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);

    // Stimulus space onto window pixels: translate by offset / scale, then scale.
    QMatrix4x4 frame;
    frame.scale(static_cast<float>(m_scale), static_cast<float>(m_scale));
    frame.translate(static_cast<float>(m_offsetX / m_scale),
                    static_cast<float>(m_offsetY / m_scale));
    m_sprite->Begin(m_projection * frame);
    m_frameOpen = true;
    m_drawing.clear();
    return 1;
}

void CDXWnd::DrawSprite(TextureHandle index, float x, float y) {
    if (!m_frameOpen) {
        return;
    }
    // Images are placed on whole stimulus cells.
    const auto whole = [](float v) {
        return static_cast<int>(std::lround(std::clamp(v, -1.0e6f, 1.0e6f)));
    };
    const SpriteDraw draw{index, whole(x), whole(y)};
    if (m_sprite != nullptr) {
        m_sprite->Draw(m_textures, index, static_cast<float>(draw.x), static_cast<float>(draw.y));
    }
    m_drawing.push_back(draw);
}

void CDXWnd::EndFrame() {
    if (!m_frameOpen) {
        return;
    }
    m_frameOpen = false;
    m_presented.swap(m_drawing);
    if (m_path == RenderPath::Raster) {
        PresentRaster();
    } else {
        PresentOpenGL();
    }
}

void CDXWnd::PresentRaster() {
    ComposeFrame(m_textures, m_presented, m_cells, m_frame);
    m_raster->Present(m_frame, m_captureFrames ? &m_lastFrame : nullptr);
}

void CDXWnd::PresentOpenGL() {
    m_sprite->End();
    if (m_captureFrames) {
        CaptureFrame();
    }
    if (m_window->isExposed()) {
        m_context->swapBuffers(m_window.get());
        // Wait for the swap itself, so the frame is on the screen when the caller goes on.
        m_context->functions()->glFinish();
    }
}

void CDXWnd::CaptureFrame() {
    QImage image(m_windowWidth, m_windowHeight, QImage::Format_RGBA8888);
    if (image.isNull()) {
        return;
    }
    QOpenGLFunctions* gl = m_context->functions();
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glReadPixels(0, 0, m_windowWidth, m_windowHeight, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    // The device's rows run bottom-up.
    m_lastFrame = image.mirrored().convertToFormat(QImage::Format_RGB32);
}

int CDXWnd::UploadCount() const {
    return m_sprite != nullptr ? m_sprite->UploadCount() : 0;
}

void CDXWnd::ReleaseDevice() {
    m_frameOpen = false;
    m_presented.clear();
    m_drawing.clear();
    if (m_context != nullptr && m_window != nullptr && m_context->makeCurrent(m_window.get())) {
        if (m_sprite != nullptr) {
            m_sprite->Release();
        }
        m_context->doneCurrent();
    }
    m_sprite.reset();
    m_raster.reset();
    m_cells = {};
    m_textures.ReleaseAll();
    m_context.reset();
}

}  // namespace quorvel

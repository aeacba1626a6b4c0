#include "gui/render/CDXWnd.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QScreen>
#include <QSurfaceFormat>
#include <QWidget>
#include <QtMath>

#include "gui/platform/MessagePump.h"
#include "gui/platform/WindowStacking.h"
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
    window_.reset();
}

bool CDXWnd::Create(const QString& caption, QWidget* parentFrame, const QRect& rect) {
    if (window_ != nullptr) {
        return false;
    }
    SurfaceEvents& events = *this;
    window_ = std::make_unique<SurfaceWindow>(events);
    window_->setFormat(PresentFormat());
    window_->setTitle(caption);
    if (parentFrame != nullptr && parentFrame->window()->windowHandle() != nullptr) {
        window_->setTransientParent(parentFrame->window()->windowHandle());
    }
    // The rectangle is in physical pixels; the window is placed in device-independent ones.
    const QScreen* screen = window_->screen();
    const qreal ratio = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    const QSize size(qRound(rect.width() / ratio), qRound(rect.height() / ratio));
    // Where the window system places windows itself, the window gets its size (what it has
    // whenever it is not full screen) and its state, never a position.
    if (WindowSystemPlacesWindows()) {
        window_->resize(size);
        return true;
    }
    window_->setGeometry(QRect(QPoint(qFloor(rect.x() / ratio), qFloor(rect.y() / ratio)), size));
    // Without a window manager nobody fits a full-screen window to a screen that changed size
    // during a test (a projector plugged in, a resolution changed): the window does it itself.
    if (QScreen* current = window_->screen()) {
        SurfaceWindow* surface = window_.get();
        QObject::connect(current, &QScreen::geometryChanged, surface, [surface](const QRect& now) {
            if (surface->windowStates().testFlag(Qt::WindowFullScreen)) {
                surface->setGeometry(now);
            }
        });
    }
    return true;
}

void CDXWnd::ShowMaximized() {
    if (window_ != nullptr) {
        window_->showFullScreen();
    }
}

void CDXWnd::UpdateWindow() {
    if (window_ == nullptr || !window_->isVisible()) {
        return;
    }
    QDeadlineTimer deadline(kExposeWaitMs);
    while (!window_->isExposed() && !deadline.hasExpired()) {
        Idle();
    }
}

void CDXWnd::DestroyWindow() {
    if (window_ == nullptr) {
        return;
    }
    OnDestroy();
    window_.reset();
}

QWindow* CDXWnd::Window() const {
    return window_.get();
}

void CDXWnd::OnDestroy() {
    ReleaseDevice();
}

std::unique_ptr<QOpenGLContext> CDXWnd::CreateContext() {
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(window_->requestedFormat());
    if (!context->create()) {
        return nullptr;
    }
    return context;
}

int CDXWnd::InitDirect3D() {
    // A window set up before and never released starts again from nothing, so the canvas is
    // always index 0 of an empty table.
    ReleaseDevice();
    if (window_ == nullptr) {
        return 0;
    }
    const QSize pixels = window_->PixelSize();
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
    drawing_.reserve(kSpritesPerFrame);
    presented_.reserve(kSpritesPerFrame);

    context_ = CreateContext();
    if (context_ == nullptr || !context_->makeCurrent(window_.get())) {
        return 0;
    }
    SetupMatrices();
    if (UpdateViewport() == 0) {
        return 0;
    }
    if (m_textures.AddTexture(m_logicalWidth, m_logicalHeight, TextureFormat::X8R8G8B8) == -1) {
        return 0;
    }
    auto sprite = std::make_unique<SpriteRenderer>(*context_);
    if (!sprite->Create()) {
        return 0;
    }
    sprite_ = std::move(sprite);

    // Until the first frame the window shows black, as the window class's background would.
    if (BeginFrame() == 1) {
        EndFrame();
    }
    return 1;
}

bool CDXWnd::HasDevice() const {
    return context_ != nullptr && sprite_ != nullptr && window_ != nullptr;
}

int CDXWnd::UpdateViewport() {
    if (context_ == nullptr || m_windowWidth <= 0 || m_windowHeight <= 0 || m_logicalWidth <= 0 ||
        m_logicalHeight <= 0) {
        return 0;
    }
    const StimulusMapping m =
        FitStimulusSpace(m_windowWidth, m_windowHeight, m_logicalWidth, m_logicalHeight);
    m_scale = m.scale;
    m_offsetX = m.offsetX;
    m_offsetY = m.offsetY;
    return 1;
}

int CDXWnd::SetupMatrices() {
    // Window pixels, origin top-left and y downwards, onto the device's clip space.
    projection_.setToIdentity();
    projection_.ortho(0.0f, static_cast<float>(m_windowWidth), static_cast<float>(m_windowHeight),
                      0.0f, -1.0f, 1.0f);
    return 1;
}

void CDXWnd::OnSize(Qt::WindowStates states, int width, int height) {
    // Sizes that arrive while the window is created and shown, before the device exists,
    // and those of a minimised window change nothing.
    if (context_ == nullptr || (states & Qt::WindowMinimized)) {
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
    if (frameOpen_ || replaying_ || !HasDevice()) {
        return;
    }
    replaying_ = true;
    if (BeginFrame() == 1) {
        // Before the first frame this presents black, as the window class's background would.
        for (const SpriteDraw& draw : presented_) {
            DrawSprite(draw.index, draw.x, draw.y);
        }
        EndFrame();
    }
    replaying_ = false;
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
    frameOpen_ = false;
    if (!HasDevice() || m_deviceLost) {
        return 0;
    }
    if (!context_->makeCurrent(window_.get())) {
        // A context that went invalid was lost with its device; nothing is drawn from now on.
        if (!context_->isValid()) {
            m_deviceLost = true;
        }
        return 0;
    }
    QOpenGLFunctions* gl = context_->functions();
    gl->glViewport(0, 0, m_windowWidth, m_windowHeight);
    gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);

    // Stimulus space onto window pixels: translate by offset / scale, then scale.
    QMatrix4x4 frame;
    frame.scale(static_cast<float>(m_scale), static_cast<float>(m_scale));
    frame.translate(static_cast<float>(m_offsetX / m_scale),
                    static_cast<float>(m_offsetY / m_scale));
    sprite_->Begin(projection_ * frame);
    frameOpen_ = true;
    drawing_.clear();
    return 1;
}

void CDXWnd::DrawSprite(TextureHandle index, float x, float y) {
    if (!frameOpen_) {
        return;
    }
    sprite_->Draw(m_textures, index, x, y);
    drawing_.push_back({index, x, y});
}

void CDXWnd::EndFrame() {
    if (!frameOpen_) {
        return;
    }
    frameOpen_ = false;
    sprite_->End();
    presented_.swap(drawing_);
    if (captureFrames_) {
        CaptureFrame();
    }
    if (window_->isExposed()) {
        context_->swapBuffers(window_.get());
        // Wait for the swap itself, so the frame is on the screen when the caller goes on.
        context_->functions()->glFinish();
    }
}

void CDXWnd::CaptureFrame() {
    QImage image(m_windowWidth, m_windowHeight, QImage::Format_RGBA8888);
    if (image.isNull()) {
        return;
    }
    QOpenGLFunctions* gl = context_->functions();
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glReadPixels(0, 0, m_windowWidth, m_windowHeight, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    // The device's rows run bottom-up.
    lastFrame_ = image.mirrored().convertToFormat(QImage::Format_RGB32);
}

int CDXWnd::UploadCount() const {
    return sprite_ != nullptr ? sprite_->UploadCount() : 0;
}

void CDXWnd::ReleaseDevice() {
    frameOpen_ = false;
    presented_.clear();
    drawing_.clear();
    if (context_ != nullptr && window_ != nullptr && context_->makeCurrent(window_.get())) {
        if (sprite_ != nullptr) {
            sprite_->Release();
        }
        context_->doneCurrent();
    }
    sprite_.reset();
    m_textures.ReleaseAll();
    context_.reset();
}

}  // namespace quorvel

#pragma once

#include <QImage>
#include <QMatrix4x4>
#include <QRect>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/experiment/ExperimentState.h"
#include "core/experiment/StimulusMapping.h"
#include "core/render/FrameComposition.h"
#include "core/render/SceneComposition.h"
#include "core/render/TextureTable.h"
#include "gui/render/RenderPath.h"
#include "gui/render/SurfaceWindow.h"

class QOpenGLContext;
class QWidget;
class QWindow;

namespace quorvel {

class RasterPresenter;
class SpriteRenderer;

// A rectangle in texture pixels: left and top inclusive, right and bottom exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Format flags of the text drawing, with the values of the Windows DrawText flags.
constexpr std::uint32_t kDtLeft = 0x0000;
constexpr std::uint32_t kDtCenter = 0x0001;
constexpr std::uint32_t kDtRight = 0x0002;
constexpr std::uint32_t kDtVCenter = 0x0004;  // single-line text only
constexpr std::uint32_t kDtBottom = 0x0008;   // single-line text only
constexpr std::uint32_t kDtWordBreak = 0x0010;
constexpr std::uint32_t kDtSingleLine = 0x0020;

// The window the test is shown in. The object lives for the whole process; its on-screen
// window exists only from Create to DestroyWindow, once per run. It draws a texture table
// whose pixels are prepared on the processor, whole textures alpha blended over one another,
// with stimulus space (1024 x 768) mapped onto the window with one uniform scale between
// black bars. With OpenGL where it can be had, else on the processor into a raster window;
// both show every window pixel as the texel of the stimulus cell under its centre, so they
// give the same pixels. Sizes and positions are physical pixels.
class CDXWnd : protected SurfaceEvents {
  public:
    CDXWnd();
    ~CDXWnd() override;
    CDXWnd(const CDXWnd&) = delete;
    CDXWnd& operator=(const CDXWnd&) = delete;

    // --- the on-screen window ---
    // Creates the window over `rect` (physical pixels), frameless, kept above `parentFrame`
    // (may be null), not yet shown, for the path ForceRenderPath gave or else ChooseRenderPath
    // chooses. False when one exists already.
    bool Create(const QString& caption, QWidget* parentFrame, const QRect& rect);
    // Shows it covering the screen.
    void ShowMaximized();
    // Returns once the window is on the screen (or after a second at most).
    void UpdateWindow();
    // Destroys the on-screen window; OnDestroy runs before it goes.
    void DestroyWindow();
    bool IsWindow() const { return m_window != nullptr; }
    // The on-screen window, or null (for tests and the application's placement).
    QWindow* Window() const;

    // --- device and mapping ---
    // Sets up drawing on the window: 1, or 0 when the window's path cannot be set up (on the
    // OpenGL path: no context or program) or no canvas can be had. Nothing is drawn after a 0;
    // nothing is shown to the operator.
    int InitDirect3D();
    // Maps stimulus space onto the current window size. 0 (mapping unchanged) without a
    // device or with an empty window.
    int UpdateViewport();
    // The projection from window pixels to the device. Always 1.
    int SetupMatrices();
    StimulusMapping Mapping() const { return {m_scale, m_offsetX, m_offsetY}; }

    // --- texture table ---
    TextureHandle AddTexture(int width, int height, TextureFormat format);
    int ResetTextures();
    int LockTexture(TextureHandle index);
    int UnlockTexture(TextureHandle index);

    // --- frames ---
    // Clears to black and starts a batch under the stimulus-space transform: 1, or 0 (no
    // device, a lost device, or the context cannot be made current).
    int BeginFrame();
    // Draws the whole texture with its top-left corner at stimulus point (x, y). Nothing
    // outside a begun frame or for an invalid index.
    void DrawSprite(TextureHandle index, float x, float y);
    // Ends the batch and presents: the frame is on the screen when this returns. Nothing
    // when no frame was begun (the screen keeps its last picture).
    void EndFrame();
    // Frees the device, the sprite and every texture; the table ends empty.
    void ReleaseDevice();

    // --- text ---
    // Draws `text` (CP932 bytes) with the text settings into `rect` (the whole texture when
    // none) of texture `index`, laid out by `flags`; the non-black pixels of the rendering
    // are written opaque, the black ones leave the texture as it was.
    void DrawTextToTexture(TextureHandle index, const std::string& text,
                           const std::optional<PixelRect>& rect, std::uint32_t flags);

    // --- test and measurement seams ---
    // While on, every presented frame is read back first (costs time; off by default).
    void SetFrameCapture(bool on) { m_captureFrames = on; }
    // The last frame presented while capture was on: window-sized, Format_RGB32.
    const QImage& LastFrame() const { return m_lastFrame; }
    // Texture uploads to the device since InitDirect3D.
    int UploadCount() const;
    // The OpenGL renderer's name, as the driver gives it, since InitDirect3D; empty before and
    // on the raster path.
    const QString& RendererName() const { return m_renderer; }
    // The path the on-screen window draws with (chosen when it is created).
    RenderPath Path() const { return m_path; }
    // The path for every window Create makes from now on, instead of the machine's choice.
    void ForceRenderPath(RenderPath path) { m_forcedPath = path; }

    // State, named as the rest of the program knows it. The mapping and the window size are
    // written only by the window; the text settings are set by callers before drawing text.
    bool m_deviceLost = false;
    int m_logicalWidth = 0;
    int m_logicalHeight = 0;
    int m_windowWidth = 0;
    int m_windowHeight = 0;
    double m_scale = 1.0;
    double m_offsetX = 0.0;
    double m_offsetY = 0.0;
    TextureTable m_textures;
    std::string m_fontFace;                // CP932; empty: the system's default face
    int m_fontHeight = 24;                 // character height in pixels
    std::uint32_t m_textColor = 0xFFFFFF;  // 0x00BBGGRR
    std::uint32_t m_backColor = 0x000000;  // 0x00BBGGRR

  protected:
    // The on-screen window is going: the device is released.
    virtual void OnDestroy();
    // Makes the OpenGL context for the window; null when none can be had. Tests replace it
    // to stand for a machine whose OpenGL fails after it was chosen.
    virtual std::unique_ptr<QOpenGLContext> CreateContext();
    // The path a new on-screen window takes when none is forced.
    virtual RenderPath ChoosePath() const { return ChooseRenderPath(); }

    void OnSize(Qt::WindowStates states, int width, int height) override;
    void OnTouch(QTouchEvent& event) override;
    void OnMouse(QMouseEvent& event) override;
    void OnExpose() override;

  private:
    bool HasDevice() const;
    int InitOpenGL();
    void PresentOpenGL();
    void PresentRaster();
    void CaptureFrame();

    std::unique_ptr<SurfaceWindow> m_window;
    std::unique_ptr<QOpenGLContext> m_context;
    std::unique_ptr<SpriteRenderer> m_sprite;
    std::unique_ptr<RasterPresenter> m_raster;
    std::optional<RenderPath> m_forcedPath;
    RenderPath m_path = RenderPath::OpenGL;
    // The stimulus cell of every window column and row, for the current size and mapping.
    FrameCells m_cells;
    // The raster path's frame, kept between frames so its storage is not reallocated.
    FramePixels m_frame;
    QMatrix4x4 m_projection;
    bool m_frameOpen = false;
    // The sprites of the frame being drawn and of the last one presented, so the picture can
    // be presented again when the window is uncovered; positions in whole stimulus units.
    // Kept between runs, so never reallocated while a test is timed.
    std::vector<SpriteDraw> m_drawing;
    std::vector<SpriteDraw> m_presented;
    bool m_replaying = false;
    bool m_captureFrames = false;
    QImage m_lastFrame;
    QString m_renderer;
};

}  // namespace quorvel

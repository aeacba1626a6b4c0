#include "gui/render/RenderPath.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLShaderProgram>
#include <QSurfaceFormat>
#include <QtGlobal>

namespace quorvel {

std::optional<RenderPath> ForcedRenderPath(const QByteArray& value) {
    const QByteArray v = value.trimmed().toLower();
    if (v == "raster") {
        return RenderPath::Raster;
    }
    if (v == "opengl") {
        return RenderPath::OpenGL;
    }
    return std::nullopt;
}

bool OpenGLCanBeHad() {
    QOpenGLContext context;
    context.setFormat(QSurfaceFormat::defaultFormat());
    if (!context.create()) {
        return false;
    }
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface)) {
        return false;
    }
    // The drawing needs shaders: OpenGL 2 or OpenGL ES 2.
    const bool enough = context.format().majorVersion() >= 2 &&
                        QOpenGLShaderProgram::hasOpenGLShaderPrograms(&context);
    context.doneCurrent();
    return enough;
}

RenderPath ChooseRenderPath() {
    if (const std::optional<RenderPath> forced = ForcedRenderPath(qgetenv(kRenderPathVariable))) {
        return *forced;
    }
    return OpenGLCanBeHad() ? RenderPath::OpenGL : RenderPath::Raster;
}

const char* RenderPathName(RenderPath path) {
    return path == RenderPath::Raster ? "raster" : "opengl";
}

}  // namespace quorvel

#pragma once

#include <QByteArray>
#include <optional>

namespace quorvel {

// How the experiment window gets its pictures to the screen. OpenGL where a context of
// version 2 or later with shader programs can be had; otherwise the processor draws each frame
// and the window system shows it (virtual machines and remote sessions often offer only an
// OpenGL 1.1 software driver). Both give the same pixels.
enum class RenderPath { OpenGL, Raster };

// The environment variable that forces a path (for tests and for a lab whose driver
// misbehaves): "raster" or "opengl"; anything else leaves the choice to the machine.
inline constexpr char kRenderPathVariable[] = "QUORVEL_RENDER";

// The path a value of that variable forces, if any (case and surrounding blanks ignored).
std::optional<RenderPath> ForcedRenderPath(const QByteArray& value);

// Whether this machine can give the OpenGL path what it needs. Makes and drops a context.
bool OpenGLCanBeHad();

// The path for a new experiment window: the forced one, else OpenGL when it can be had.
RenderPath ChooseRenderPath();

// The path's name as the run records give it: "opengl" or "raster".
const char* RenderPathName(RenderPath path);

}  // namespace quorvel

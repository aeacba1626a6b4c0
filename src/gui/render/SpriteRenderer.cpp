#include "gui/render/SpriteRenderer.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QtGlobal>

namespace quorvel {

namespace {

const char* const kVertexShader = R"(
attribute vec2 position;
attribute vec2 texCoord;
uniform mat4 transform;
varying vec2 uv;
void main() {
    uv = texCoord;
    gl_Position = transform * vec4(position, 0.0, 1.0);
}
)";

// Texture words are 0xAARRGGBB; uploaded as bytes in memory order they arrive in the
// channels as B, G, R, A on a little-endian machine and A, R, G, B on a big-endian one.
const char* const kFragmentShader = R"(
#ifdef GL_ES
precision mediump float;
#endif
uniform sampler2D image;
uniform float opaque;
varying vec2 uv;
void main() {
    vec4 t = texture2D(image, uv);
#ifdef BIG_ENDIAN_WORDS
    vec4 c = vec4(t.g, t.b, t.a, t.r);
#else
    vec4 c = vec4(t.b, t.g, t.r, t.a);
#endif
    gl_FragColor = vec4(c.rgb, mix(c.a, 1.0, opaque));
}
)";

constexpr int kFloatsPerVertex = 4;  // x, y, u, v

}  // namespace

SpriteRenderer::SpriteRenderer(QOpenGLContext& context) : m_context(context) {}

SpriteRenderer::~SpriteRenderer() = default;

bool SpriteRenderer::Create() {
    QByteArray fragment(kFragmentShader);
    if (Q_BYTE_ORDER == Q_BIG_ENDIAN) {
        fragment.prepend("#define BIG_ENDIAN_WORDS\n");
    }
    m_program = std::make_unique<QOpenGLShaderProgram>();
    if (!m_program->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) ||
        !m_program->addShaderFromSourceCode(QOpenGLShader::Fragment, fragment) ||
        !m_program->link()) {
        m_program.reset();
        return false;
    }
    m_positionLocation = m_program->attributeLocation("position");
    m_texCoordLocation = m_program->attributeLocation("texCoord");
    m_transformLocation = m_program->uniformLocation("transform");
    m_opaqueLocation = m_program->uniformLocation("opaque");

    m_vao.create();  // not every context has them; without one the buffer is bound directly
    if (!m_vertices.create()) {
        m_program.reset();
        return false;
    }
    m_vertices.setUsagePattern(QOpenGLBuffer::StreamDraw);
    m_vertices.bind();
    m_vertices.allocate(4 * kFloatsPerVertex * static_cast<int>(sizeof(float)));
    m_vertices.release();
    m_uploads = 0;
    return true;
}

void SpriteRenderer::Begin(const QMatrix4x4& transform) {
    QOpenGLFunctions* gl = m_context.functions();
    gl->glEnable(GL_BLEND);
    gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDisable(GL_CULL_FACE);
    m_program->bind();
    m_program->setUniformValue(m_transformLocation, transform);
    m_program->setUniformValue("image", 0);
    gl->glActiveTexture(GL_TEXTURE0);
    if (m_vao.isCreated()) {
        m_vao.bind();
    }
    m_vertices.bind();
    m_program->enableAttributeArray(m_positionLocation);
    m_program->enableAttributeArray(m_texCoordLocation);
    m_program->setAttributeBuffer(m_positionLocation, GL_FLOAT, 0, 2,
                                  kFloatsPerVertex * static_cast<int>(sizeof(float)));
    m_program->setAttributeBuffer(m_texCoordLocation, GL_FLOAT, 2 * sizeof(float), 2,
                                  kFloatsPerVertex * static_cast<int>(sizeof(float)));
}

void SpriteRenderer::Draw(const TextureTable& table, TextureHandle index, float x, float y) {
    if (!table.IsValid(index)) {
        return;
    }
    const TextureSlot& slot = table.Slot(index);
    const std::size_t words = static_cast<std::size_t>(slot.width > 0 ? slot.width : 0) *
                              (slot.height > 0 ? slot.height : 0);
    if (words == 0 || slot.pixels.size() < words || Bind(slot, index) == 0) {
        return;
    }
    const float w = static_cast<float>(slot.width);
    const float h = static_cast<float>(slot.height);
    const float quad[4 * kFloatsPerVertex] = {
        x, y, 0.0f, 0.0f, x + w, y, 1.0f, 0.0f, x, y + h, 0.0f, 1.0f, x + w, y + h, 1.0f, 1.0f,
    };
    m_vertices.write(0, quad, static_cast<int>(sizeof(quad)));
    m_program->setUniformValue(m_opaqueLocation,
                               slot.format == TextureFormat::X8R8G8B8 ? 1.0f : 0.0f);
    m_context.functions()->glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void SpriteRenderer::End() {
    m_program->disableAttributeArray(m_positionLocation);
    m_program->disableAttributeArray(m_texCoordLocation);
    m_vertices.release();
    if (m_vao.isCreated()) {
        m_vao.release();
    }
    m_program->release();
}

void SpriteRenderer::Release() {
    QOpenGLFunctions* gl = m_context.functions();
    for (const Uploaded& t : m_textures) {
        if (t.id != 0) {
            gl->glDeleteTextures(1, &t.id);
        }
    }
    m_textures.clear();
    m_vertices.destroy();
    m_vao.destroy();
    m_program.reset();
}

unsigned int SpriteRenderer::Bind(const TextureSlot& slot, TextureHandle index) {
    QOpenGLFunctions* gl = m_context.functions();
    if (m_textures.size() <= static_cast<std::size_t>(index)) {
        m_textures.resize(static_cast<std::size_t>(index) + 1);
    }
    Uploaded& t = m_textures[static_cast<std::size_t>(index)];
    if (t.id == 0) {
        gl->glGenTextures(1, &t.id);
        if (t.id == 0) {
            return 0;
        }
        gl->glBindTexture(GL_TEXTURE_2D, t.id);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        t.width = 0;
        t.height = 0;
        t.version = 0;
    } else {
        gl->glBindTexture(GL_TEXTURE_2D, t.id);
    }
    // Versions are never reused within a table, so an equal version means equal pixels.
    if (t.version != slot.version || t.width != slot.width || t.height != slot.height) {
        gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        if (t.width != slot.width || t.height != slot.height) {
            gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, slot.width, slot.height, 0, GL_RGBA,
                             GL_UNSIGNED_BYTE, slot.pixels.data());
        } else {
            gl->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, slot.width, slot.height, GL_RGBA,
                                GL_UNSIGNED_BYTE, slot.pixels.data());
        }
        t.width = slot.width;
        t.height = slot.height;
        t.version = slot.version;
        ++m_uploads;
    }
    return t.id;
}

}  // namespace quorvel

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

SpriteRenderer::SpriteRenderer(QOpenGLContext& context) : context_(context) {}

SpriteRenderer::~SpriteRenderer() = default;

bool SpriteRenderer::Create() {
    QByteArray fragment(kFragmentShader);
    if (Q_BYTE_ORDER == Q_BIG_ENDIAN) {
        fragment.prepend("#define BIG_ENDIAN_WORDS\n");
    }
    program_ = std::make_unique<QOpenGLShaderProgram>();
    if (!program_->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) ||
        !program_->addShaderFromSourceCode(QOpenGLShader::Fragment, fragment) ||
        !program_->link()) {
        program_.reset();
        return false;
    }
    positionLocation_ = program_->attributeLocation("position");
    texCoordLocation_ = program_->attributeLocation("texCoord");
    transformLocation_ = program_->uniformLocation("transform");
    opaqueLocation_ = program_->uniformLocation("opaque");

    vao_.create();  // not every context has them; without one the buffer is bound directly
    if (!vertices_.create()) {
        program_.reset();
        return false;
    }
    vertices_.setUsagePattern(QOpenGLBuffer::StreamDraw);
    vertices_.bind();
    vertices_.allocate(4 * kFloatsPerVertex * static_cast<int>(sizeof(float)));
    vertices_.release();
    uploads_ = 0;
    return true;
}

void SpriteRenderer::Begin(const QMatrix4x4& transform) {
    QOpenGLFunctions* gl = context_.functions();
    gl->glEnable(GL_BLEND);
    gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDisable(GL_CULL_FACE);
    program_->bind();
    program_->setUniformValue(transformLocation_, transform);
    program_->setUniformValue("image", 0);
    gl->glActiveTexture(GL_TEXTURE0);
    if (vao_.isCreated()) {
        vao_.bind();
    }
    vertices_.bind();
    program_->enableAttributeArray(positionLocation_);
    program_->enableAttributeArray(texCoordLocation_);
    program_->setAttributeBuffer(positionLocation_, GL_FLOAT, 0, 2,
                                 kFloatsPerVertex * static_cast<int>(sizeof(float)));
    program_->setAttributeBuffer(texCoordLocation_, GL_FLOAT, 2 * sizeof(float), 2,
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
    vertices_.write(0, quad, static_cast<int>(sizeof(quad)));
    program_->setUniformValue(opaqueLocation_,
                              slot.format == TextureFormat::X8R8G8B8 ? 1.0f : 0.0f);
    context_.functions()->glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void SpriteRenderer::End() {
    program_->disableAttributeArray(positionLocation_);
    program_->disableAttributeArray(texCoordLocation_);
    vertices_.release();
    if (vao_.isCreated()) {
        vao_.release();
    }
    program_->release();
}

void SpriteRenderer::Release() {
    QOpenGLFunctions* gl = context_.functions();
    for (const Uploaded& t : textures_) {
        if (t.id != 0) {
            gl->glDeleteTextures(1, &t.id);
        }
    }
    textures_.clear();
    vertices_.destroy();
    vao_.destroy();
    program_.reset();
}

unsigned int SpriteRenderer::Bind(const TextureSlot& slot, TextureHandle index) {
    QOpenGLFunctions* gl = context_.functions();
    if (textures_.size() <= static_cast<std::size_t>(index)) {
        textures_.resize(static_cast<std::size_t>(index) + 1);
    }
    Uploaded& t = textures_[static_cast<std::size_t>(index)];
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
        ++uploads_;
    }
    return t.id;
}

}  // namespace quorvel

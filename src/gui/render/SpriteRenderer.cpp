#include "gui/render/SpriteRenderer.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QVector2D>
#include <QtGlobal>
#include <algorithm>

namespace quorvel {

namespace {

const char* const kVertexShader = R"(
attribute vec2 position;
uniform mat4 transform;
void main() {
    gl_Position = transform * vec4(position, 0.0, 1.0);
}
)";

// Each window pixel shows the texel of the stimulus cell under its centre, read from the cell
// table (row 0: the cell of every window column; row 1: of every window row from the top;
// each entry cell + 32768 in its red and green bytes). The quad reaches one cell past the
// texture on every side and the table alone decides which pixels the texture covers, so the
// result does not depend on how the driver rasterises edges or filters textures, and a frame
// drawn on the processor from the same table has the same pixels.
// Texture words are 0xAARRGGBB; uploaded as bytes in memory order they arrive in the
// channels as B, G, R, A on a little-endian machine and A, R, G, B on a big-endian one.
const char* const kFragmentShader = R"(
#ifdef GL_ES
precision highp float;
#endif
uniform sampler2D image;
uniform sampler2D cells;
uniform float opaque;
uniform vec2 origin;
uniform vec2 size;
uniform float cellCount;
uniform float windowHeight;
float Cell(float index, float tableRow) {
    vec4 t = texture2D(cells, vec2((index + 0.5) / cellCount, tableRow));
    return floor(t.r * 255.0 + 0.5) * 256.0 + floor(t.g * 255.0 + 0.5) - 32768.0;
}
void main() {
    float column = floor(gl_FragCoord.x);
    float row = windowHeight - 1.0 - floor(gl_FragCoord.y);
    vec2 texel = vec2(Cell(column, 0.25), Cell(row, 0.75)) - origin;
    if (texel.x < 0.0 || texel.y < 0.0 || texel.x >= size.x || texel.y >= size.y) {
        discard;
    }
    vec4 t = texture2D(image, (texel + 0.5) / size);
#ifdef BIG_ENDIAN_WORDS
    vec4 c = vec4(t.g, t.b, t.a, t.r);
#else
    vec4 c = vec4(t.b, t.g, t.r, t.a);
#endif
    gl_FragColor = vec4(c.rgb, mix(c.a, 1.0, opaque));
}
)";

constexpr int kFloatsPerVertex = 2;  // x, y

// Cells are stored offset by this, so that cells left of or above the plane stay positive.
constexpr int kCellBias = 32768;

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
    m_transformLocation = m_program->uniformLocation("transform");
    m_opaqueLocation = m_program->uniformLocation("opaque");
    m_originLocation = m_program->uniformLocation("origin");
    m_sizeLocation = m_program->uniformLocation("size");

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
    m_program->setUniformValue("cells", 1);
    m_program->setUniformValue("cellCount", static_cast<float>(m_cellCount));
    m_program->setUniformValue("windowHeight", static_cast<float>(m_windowHeight));
    gl->glActiveTexture(GL_TEXTURE1);
    gl->glBindTexture(GL_TEXTURE_2D, m_cells);
    gl->glActiveTexture(GL_TEXTURE0);
    if (m_vao.isCreated()) {
        m_vao.bind();
    }
    m_vertices.bind();
    m_program->enableAttributeArray(m_positionLocation);
    m_program->setAttributeBuffer(m_positionLocation, GL_FLOAT, 0, 2,
                                  kFloatsPerVertex * static_cast<int>(sizeof(float)));
}

bool SpriteRenderer::SetCells(const FrameCells& cells) {
    const int count = static_cast<int>(std::max(cells.columns.size(), cells.rows.size()));
    if (count <= 0) {
        return false;
    }
    QOpenGLFunctions* gl = m_context.functions();
    GLint largest = 0;
    gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (count > largest) {
        return false;
    }
    std::vector<unsigned char> bytes(static_cast<std::size_t>(count) * 2 * 4, 0);
    const auto put = [&bytes, count](int tableRow, const std::vector<int>& values) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const int v = std::clamp(values[i] + kCellBias, 0, 0xFFFF);
            unsigned char* p = &bytes[(static_cast<std::size_t>(tableRow) * count + i) * 4];
            p[0] = static_cast<unsigned char>(v >> 8);
            p[1] = static_cast<unsigned char>(v & 0xFF);
            p[3] = 0xFF;
        }
    };
    put(0, cells.columns);
    put(1, cells.rows);
    if (m_cells == 0) {
        gl->glGenTextures(1, &m_cells);
        if (m_cells == 0) {
            return false;
        }
    }
    gl->glActiveTexture(GL_TEXTURE1);
    gl->glBindTexture(GL_TEXTURE_2D, m_cells);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, count, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     bytes.data());
    gl->glActiveTexture(GL_TEXTURE0);
    m_cellCount = count;
    m_windowHeight = static_cast<int>(cells.rows.size());
    return true;
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
    // One cell of margin all round: the cell table, not the quad's edges, decides coverage.
    const float quad[4 * kFloatsPerVertex] = {
        x - 1.0f, y - 1.0f,     x + w + 1.0f, y - 1.0f,
        x - 1.0f, y + h + 1.0f, x + w + 1.0f, y + h + 1.0f,
    };
    m_vertices.write(0, quad, static_cast<int>(sizeof(quad)));
    m_program->setUniformValue(m_opaqueLocation,
                               slot.format == TextureFormat::X8R8G8B8 ? 1.0f : 0.0f);
    m_program->setUniformValue(m_originLocation, QVector2D(x, y));
    m_program->setUniformValue(m_sizeLocation, QVector2D(w, h));
    m_context.functions()->glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void SpriteRenderer::End() {
    m_program->disableAttributeArray(m_positionLocation);
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
    if (m_cells != 0) {
        gl->glDeleteTextures(1, &m_cells);
        m_cells = 0;
    }
    m_cellCount = 0;
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
        // Texels are read at their centres, whole.
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
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

#pragma once

#include <QMatrix4x4>
#include <QOpenGLBuffer>
#include <QOpenGLShaderProgram>
#include <QOpenGLVertexArrayObject>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/render/FrameComposition.h"
#include "core/render/TextureTable.h"

class QOpenGLContext;

namespace quorvel {

// Draws whole textures of the texture table as textured quads, alpha blended, under one
// transform, each window pixel showing the texel of its cell in the cell table (SetCells). Each
// slot's pixels are uploaded when its version differs from the one uploaded last; the opaque format
// is drawn with its alpha ignored. Every call needs the context current.
class SpriteRenderer {
  public:
    explicit SpriteRenderer(QOpenGLContext& context);
    ~SpriteRenderer();
    SpriteRenderer(const SpriteRenderer&) = delete;
    SpriteRenderer& operator=(const SpriteRenderer&) = delete;

    // Builds the shader program and buffers; false when the context cannot run them.
    bool Create();
    // The cell of every window column and row, for the window's current size and mapping.
    // False when the window is larger than the largest texture the device takes.
    bool SetCells(const FrameCells& cells);
    // Starts a batch: `transform` takes a texture pixel position to clip space.
    void Begin(const QMatrix4x4& transform);
    // The whole texture `index` with its top-left corner at (x, y). Invalid slots draw nothing.
    void Draw(const TextureTable& table, TextureHandle index, float x, float y);
    void End();
    // Frees every object made in the context.
    void Release();

    // How many texture uploads were made since Create.
    int UploadCount() const { return m_uploads; }

  private:
    struct Uploaded {
        unsigned int id = 0;
        int width = 0;
        int height = 0;
        std::uint64_t version = 0;
    };
    unsigned int Bind(const TextureSlot& slot, TextureHandle index);

    QOpenGLContext& m_context;
    std::unique_ptr<QOpenGLShaderProgram> m_program;
    QOpenGLBuffer m_vertices{QOpenGLBuffer::VertexBuffer};
    QOpenGLVertexArrayObject m_vao;
    std::vector<Uploaded> m_textures;
    int m_uploads = 0;
    int m_positionLocation = -1;
    int m_transformLocation = -1;
    int m_opaqueLocation = -1;
    int m_originLocation = -1;
    int m_sizeLocation = -1;
    unsigned int m_cells = 0;
    int m_cellCount = 0;
    int m_windowHeight = 0;
};

}  // namespace quorvel

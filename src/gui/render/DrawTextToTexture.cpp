#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>

#include "core/platform/Cp932.h"
#include "core/render/TexturePrimitives.h"
#include "gui/render/CDXWnd.h"

// The text drawing of the drawing window, kept apart from its device code.

namespace quorvel {

namespace {

QString TextOf(const std::string& cp932) {
    return FromCp932(QByteArrayView(cp932.data(), static_cast<qsizetype>(cp932.size())));
}

// 0x00BBGGRR, the colour order of the text settings.
QColor FromColorRef(std::uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

// With no face named, a Japanese face, as a Japanese system's default would be: digits and
// kana then come from one face, in one height and on one baseline. The first installed one
// is taken, else the system's general face.
QFont DefaultFace() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Yu Gothic UI"),
                      QStringLiteral("Meiryo UI"), QStringLiteral("MS UI Gothic"),
                      QStringLiteral("Hiragino Sans"), font.family()});
    return font;
}

int AlignmentFor(std::uint32_t flags) {
    int qt = Qt::AlignTop | Qt::AlignLeft;
    if (flags & kDtCenter) {
        qt = (qt & ~Qt::AlignHorizontal_Mask) | Qt::AlignHCenter;
    } else if (flags & kDtRight) {
        qt = (qt & ~Qt::AlignHorizontal_Mask) | Qt::AlignRight;
    }
    // Vertical placement applies to single-line text only, as it does for DrawText.
    if (flags & kDtSingleLine) {
        qt |= Qt::TextSingleLine;
        if (flags & kDtVCenter) {
            qt = (qt & ~Qt::AlignVertical_Mask) | Qt::AlignVCenter;
        } else if (flags & kDtBottom) {
            qt = (qt & ~Qt::AlignVertical_Mask) | Qt::AlignBottom;
        }
    } else if (flags & kDtWordBreak) {
        qt |= Qt::TextWordWrap;
    }
    return qt;
}

}  // namespace

void CDXWnd::DrawTextToTexture(TextureHandle index, const std::string& text,
                               const std::optional<PixelRect>& rect, std::uint32_t flags) {
    if (!m_textures.IsValid(index)) {
        return;
    }
    const TextureSlot& slot = m_textures.Slot(index);
    const PixelRect area = rect ? *rect : PixelRect{0, 0, slot.width, slot.height};
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    if (w <= 0 || h <= 0) {
        return;
    }

    // The rendering starts black; with the default black background only the glyphs (their
    // anti-aliased edges included) come out non-black.
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull()) {
        return;
    }
    image.fill(Qt::black);

    QFont font = m_fontFace.empty() ? DefaultFace() : QFont(TextOf(m_fontFace));
    if (m_fontHeight != 0) {
        font.setPixelSize(m_fontHeight > 0 ? m_fontHeight : -m_fontHeight);
    }
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);

    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(FromColorRef(m_textColor));
        // The background behind the text is filled with the background colour.
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(FromColorRef(m_backColor));
        painter.drawText(QRect(0, 0, w, h), AlignmentFor(flags), TextOf(text));
    }

    const PixelView view{reinterpret_cast<const std::uint32_t*>(image.constBits()), w, h,
                         static_cast<int>(image.bytesPerLine())};
    CopyTextPixels(m_textures, index, area.left, area.top, view);
}

}  // namespace quorvel

#include <gtest/gtest.h>

#include <QRect>
#include <string>

#include "gui/render/CDXWnd.h"

namespace quorvel {
namespace {

constexpr std::uint32_t kMarker = 0x11223344;  // what the texture held before the text
constexpr std::uint32_t kLabelFlags = kDtCenter | kDtVCenter | kDtSingleLine;

// What a label drawing did to a 100 x 100 image: the pixels it changed.
struct Changes {
    int count = 0;
    QRect box;  // bounding box of the changed pixels
    bool allOpaque = true;
    std::uint32_t brightest = 0;
    std::vector<bool> mask;
};

class TextToTextureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        image = window.AddTexture(100, 100, TextureFormat::A8R8G8B8);
        ASSERT_EQ(image, 0);
        Refill();
        window.m_fontHeight = 50;
    }

    void Refill() {
        ASSERT_EQ(window.LockTexture(image), 1);
        const LockedRect lock = window.m_textures.Locked(image);
        for (int i = 0; i < 100 * 100; ++i) {
            lock.bits[i] = kMarker;
        }
        window.UnlockTexture(image);
    }

    Changes Draw(const std::string& text, std::optional<PixelRect> rect = std::nullopt) {
        window.DrawTextToTexture(image, text, rect, kLabelFlags);
        Changes c;
        c.mask.assign(100 * 100, false);
        const TextureSlot& slot = window.m_textures.Slot(image);
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                const std::uint32_t p = slot.pixels[y * 100 + x];
                if (p == kMarker) {
                    continue;
                }
                ++c.count;
                c.mask[y * 100 + x] = true;
                c.box |= QRect(x, y, 1, 1);
                c.allOpaque = c.allOpaque && (p >> 24) == 0xFF && (p & 0x00FFFFFF) != 0;
                if ((p & 0x00FFFFFF) > (c.brightest & 0x00FFFFFF)) {
                    c.brightest = p;
                }
            }
        }
        return c;
    }

    CDXWnd window;
    TextureHandle image = -1;
};

TEST_F(TextToTextureTest, ALabelChangesOnlyItsGlyphPixelsWhichBecomeOpaque) {
    const Changes c = Draw("1");
    ASSERT_GT(c.count, 30);
    EXPECT_TRUE(c.allOpaque);
    EXPECT_EQ(c.brightest, 0xFFFFFFFFu);
    // Centred in the image, no taller than the character height.
    EXPECT_NEAR(c.box.center().x(), 50, 8);
    EXPECT_NEAR(c.box.center().y(), 50, 8);
    EXPECT_LE(c.box.height(), 50);
    EXPECT_LT(c.count, 50 * 50);
}

TEST_F(TextToTextureTest, TheKanaOfPartBAreDrawnWithTheirOwnShapes) {
    const Changes a = Draw("\x82\xa0");  // the hiragana a in CP932
    Refill();
    const Changes i = Draw("\x82\xa2");  // the hiragana i
    ASSERT_GT(a.count, 50);
    ASSERT_GT(i.count, 50);
    EXPECT_TRUE(a.allOpaque);
    // A face without the kana would draw the same empty box for both.
    EXPECT_NE(a.mask, i.mask);
    EXPECT_NEAR(a.box.center().x(), 50, 8);
    EXPECT_NEAR(a.box.center().y(), 50, 8);
}

TEST_F(TextToTextureTest, ARectanglePlacesTheTextAndNothingLeavesIt) {
    const Changes c = Draw("12", PixelRect{60, 10, 100, 40});
    ASSERT_GT(c.count, 0);
    EXPECT_TRUE(QRect(60, 10, 40, 30).contains(c.box)) << c.box.x() << "," << c.box.y();
}

TEST_F(TextToTextureTest, TheTextColourIsGivenAsBlueGreenRed) {
    window.m_textColor = 0x0000FF;  // red
    const Changes c = Draw("1");
    ASSERT_GT(c.count, 0);
    EXPECT_EQ(c.brightest, 0xFFFF0000u);
}

TEST_F(TextToTextureTest, NothingIsDrawnWithoutATextureOrRoom) {
    window.DrawTextToTexture(-1, "1", std::nullopt, kLabelFlags);
    window.DrawTextToTexture(5, "1", std::nullopt, kLabelFlags);
    EXPECT_EQ(Draw("1", PixelRect{50, 50, 50, 90}).count, 0);
    EXPECT_EQ(Draw("1", PixelRect{50, 50, 10, 10}).count, 0);
    EXPECT_EQ(Draw("").count, 0);
    // A lock that cannot be taken draws nothing either.
    window.m_textures.FailLockAfter(1);
    EXPECT_EQ(Draw("1").count, 0);
}

}  // namespace
}  // namespace quorvel

// The drawing context: state, clipping and what reaches the image's
// primitives.
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Transform.h"

#include "support/RecordingImage.h"

#include <gtest/gtest.h>

using Vant::Color;
using Vant::Graphics;
using Vant::Rect;
using graphicstest::RecordingImage;

namespace {

TEST(GraphicsState, DefaultsOnAnImageAndWithout) {
    RecordingImage dest(40, 30);
    Graphics g(&dest);
    EXPECT_EQ(g.destImage, &dest);
    EXPECT_EQ(g.clipRect, Rect(0, 0, 40, 30));
    EXPECT_EQ(g.color, Color(0, 0, 0, 255));
    EXPECT_EQ(g.font, nullptr);
    EXPECT_EQ(g.drawMode, 0);
    EXPECT_FALSE(g.colorizeImages);
    EXPECT_FALSE(g.fastStretch);
    EXPECT_TRUE(g.writeColoredString);
    EXPECT_FALSE(g.linearBlend);

    Graphics none;
    ASSERT_NE(none.destImage, nullptr);
    EXPECT_EQ(none.clipRect, Rect(0, 0, 0, 0));
    none.SetColor(Color::White);
    none.FillRect(0, 0, 10, 10);  // into the empty image: nothing to crash on
}

TEST(GraphicsState, StackPushPopAndCopies) {
    RecordingImage dest(40, 30);
    Graphics g(&dest);
    g.PopState();  // empty stack: no change
    EXPECT_EQ(g.clipRect, Rect(0, 0, 40, 30));

    g.PushState();
    g.Translate(5, 6);
    g.ClipRect(0, 0, 10, 10);
    g.SetColor(Color(1, 2, 3, 4));
    g.SetDrawMode(1);

    Graphics copy(g);
    EXPECT_TRUE(copy.stateStack.empty());
    copy.PopState();  // the copy's own stack is empty
    EXPECT_EQ(copy.clipRect, Rect(5, 6, 10, 10));
    std::unique_ptr<Graphics> made(g.Create());
    EXPECT_TRUE(made->stateStack.empty());
    EXPECT_EQ(made->color, Color(1, 2, 3, 4));

    g.PopState();
    EXPECT_EQ(g.transX, 0.0f);
    EXPECT_EQ(g.clipRect, Rect(0, 0, 40, 30));
    EXPECT_EQ(g.color, Color(0, 0, 0, 255));
    EXPECT_EQ(g.drawMode, 0);
    EXPECT_TRUE(g.stateStack.empty());
}

TEST(GraphicsState, TranslationAndAClipThatOnlyShrinks) {
    RecordingImage dest(100, 100);
    Graphics g(&dest);
    g.Translate(10, 20);
    g.Translate(-3, 0);
    EXPECT_EQ(g.transX, 7.0f);
    EXPECT_EQ(g.transY, 20.0f);
    g.ClipRect(0, 0, 50, 50);  // translated to (7, 20)
    EXPECT_EQ(g.clipRect, Rect(7, 20, 50, 50));
    g.ClipRect(-100, -100, 1000, 1000);  // larger: stays
    EXPECT_EQ(g.clipRect, Rect(7, 20, 50, 50));
    g.ClipRect(40, 40, 100, 100);
    EXPECT_EQ(g.clipRect, Rect(47, 60, 10, 10));

    // Int positions: float sum truncated toward zero.
    g.transX = -0.5f;
    g.transY = 0.75f;
    g.ClipRect(0, 0, 1000, 1000);
    EXPECT_EQ(g.clipRect.x, 47);
    g.clipRect = Rect(-10, -10, 100, 100);
    g.SetColor(Color::White);
    g.FillRect(0, 0, 3, 3);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].rect, Rect(0, 0, 3, 3));  // -0.5 -> 0, 0.75 -> 0
}

TEST(GraphicsShapes, FillRectClipsAndSkipsInvisibleColour) {
    RecordingImage dest(20, 20);
    Graphics g(&dest);
    g.SetColor(Color(255, 0, 0, 0));
    g.FillRect(0, 0, 5, 5);
    EXPECT_TRUE(dest.calls.empty());

    g.SetColor(Color(255, 0, 0, 128));
    g.SetDrawMode(1);
    g.FillRect(-5, 15, 10, 10);
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].rect, Rect(0, 15, 5, 5));
    EXPECT_EQ(dest.calls[0].color, Color(255, 0, 0, 128));
    EXPECT_EQ(dest.calls[0].drawMode, 1);

    // Wholly outside: the primitive still gets the (empty) rect.
    g.FillRect(100, 100, 5, 5);
    ASSERT_EQ(dest.calls.size(), 2u);
    EXPECT_EQ(dest.calls[1].rect.width * dest.calls[1].rect.height, 0);
}

TEST(GraphicsShapes, DrawRectOneOutlineInsideElseFourClippedFills) {
    RecordingImage dest(100, 100);
    {
        Graphics g(&dest);
        g.clipRect = Rect(0, 0, 11, 11);
        g.DrawRect(0, 0, 10, 10);
        ASSERT_EQ(dest.calls.size(), 1u);
        EXPECT_EQ(dest.calls[0].op, "DrawRect");
        EXPECT_EQ(dest.calls[0].rect, Rect(0, 0, 10, 10));
    }
    dest.calls.clear();
    {
        Graphics g(&dest);
        g.clipRect = Rect(0, 0, 10, 10);
        g.DrawRect(0, 0, 10, 10);
        ASSERT_EQ(dest.Of("FillRect").size(), 4u);
        EXPECT_TRUE(dest.Of("DrawRect").empty());
        // Top and left survive; the bottom row y = 10 and right column x = 10 vanish.
        EXPECT_EQ(dest.calls[0].rect, Rect(0, 0, 10, 1));
        EXPECT_EQ(dest.calls[1].rect.height * dest.calls[1].rect.width, 0);
        EXPECT_EQ(dest.calls[2].rect, Rect(0, 1, 1, 9));
        EXPECT_EQ(dest.calls[3].rect.height * dest.calls[3].rect.width, 0);
    }
    dest.calls.clear();
    Graphics g(&dest);
    g.SetColor(Color(0, 0, 0, 0));
    g.DrawRect(0, 0, 10, 10);
    EXPECT_TRUE(dest.calls.empty());
}

TEST(GraphicsShapes, LineClippingTable) {
    struct Case {
        int x1, y1, x2, y2;
        bool drawn;
        double ex1, ey1, ex2, ey2;
    } cases[] = {
        {-5, 1, 5, 1, true, 0, 1, 3, 1},     // cut at R - 1
        {5, 1, -5, 1, true, 0, 1, 3, 1},     // reversed ends
        {1, -5, 1, 5, true, 1, 0, 1, 3},     // vertical, cut at B - 1
        {-6, -6, -1, 3, false, 0, 0, 0, 0},  // left of the clip
        {5, 0, 9, 3, false, 0, 0, 0, 0},     // right of it
        {0, -6, 3, -1, false, 0, 0, 0, 0},   // above
        {0, 4, 3, 9, false, 0, 0, 0, 0},     // below
        {-2, -2, 6, 6, true, 0, 0, 3, 3},    // diagonal through both corners
        {1, 1, 2, 2, true, 1, 1, 2, 2},      // inside: untouched
    };
    for (const Case& c : cases) {
        RecordingImage dest(10, 10);
        Graphics g(&dest);
        g.SetColor(Color(0, 0, 0, 0));  // no alpha test for lines
        g.clipRect = Rect(0, 0, 4, 4);
        g.DrawLine(c.x1, c.y1, c.x2, c.y2);
        SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " - " << c.x2 << "," << c.y2);
        ASSERT_EQ(dest.calls.size(), c.drawn ? 1u : 0u);
        if (!c.drawn) continue;
        EXPECT_DOUBLE_EQ(dest.calls[0].x1, c.ex1);
        EXPECT_DOUBLE_EQ(dest.calls[0].y1, c.ey1);
        EXPECT_DOUBLE_EQ(dest.calls[0].x2, c.ex2);
        EXPECT_DOUBLE_EQ(dest.calls[0].y2, c.ey2);
    }
}

TEST(GraphicsImages, DrawImageClipsAndMovesTheSource) {
    RecordingImage dest(100, 100), img(20, 10);
    Graphics g(&dest);
    g.Translate(5, 5);
    g.ClipRect(0, 0, 50, 50);  // (5, 5, 50, 50)
    g.DrawImage(&img, -8, 45);  // at (-3, 50): clipped to (5, 50, 12, 5)
    ASSERT_EQ(dest.calls.size(), 1u);
    const auto& c = dest.calls[0];
    EXPECT_EQ(c.op, "Blit");
    EXPECT_EQ(c.x1, 5);
    EXPECT_EQ(c.y1, 50);
    EXPECT_EQ(c.src, Rect(8, 0, 12, 5));
    EXPECT_EQ(c.color, Color::White);  // not colourised by default

    dest.calls.clear();
    g.SetColorizeImages(true);
    g.SetColor(Color(10, 20, 30, 40));
    g.DrawImage(&img, 0, 0, Rect(4, 2, 10, 8));
    g.DrawImage(&img, 60, 0);  // wholly clipped
    ASSERT_EQ(dest.calls.size(), 1u);
    EXPECT_EQ(dest.calls[0].src, Rect(4, 2, 10, 8));
    EXPECT_EQ(dest.calls[0].color, Color(10, 20, 30, 40));
}

TEST(GraphicsImages, SourceRectPastEitherEdgeDrawsNothing) {
    RecordingImage dest(100, 100), img(20, 10);
    Graphics g(&dest);
    const Rect outside[] = {Rect(11, 0, 10, 5), Rect(0, 6, 5, 5), Rect(-1, 0, 5, 5), Rect(0, -3, 5, 5),
                            Rect(2147483647, 0, 5, 5)};
    for (const Rect& r : outside) g.DrawImage(&img, 0, 0, r);
    EXPECT_TRUE(dest.calls.empty());
    g.DrawImage(&img, 0, 0, Rect(10, 5, 10, 5));  // exactly to the edges
    EXPECT_EQ(dest.calls.size(), 1u);
}

TEST(GraphicsImages, FloatRotatedStretchAndMatrixFormsPassTheState) {
    RecordingImage dest(100, 100), img(20, 10);
    Graphics g(&dest);
    g.Translate(3, 4);
    g.ClipRect(0, 0, 30, 30);
    g.SetFastStretch(true);
    g.SetLinearBlend(true);
    g.SetDrawMode(1);

    g.DrawImageF(&img, 1.25f, 2.5f);
    g.DrawImage(&img, 1, 2, 40, 50);
    g.DrawImage(&img, Rect(1, 2, 3, 4), Rect(5, 6, 7, 8));
    g.DrawImageRotated(&img, 1.5f, 2.5f, 0.25);
    const Rect part(1, 1, 7, 5);
    g.DrawImageRotated(&img, 1, 2, 0.5, &part);
    g.DrawImageMatrix(&img, Vant::Matrix3(), part, 0.5f, 0.5f);
    ASSERT_EQ(dest.calls.size(), 6u);
    const auto& f = dest.calls[0];
    EXPECT_EQ(f.op, "BlitF");
    EXPECT_FLOAT_EQ(f.x1, 4.25f);
    EXPECT_FLOAT_EQ(f.y1, 6.5f);
    EXPECT_EQ(f.src, Rect(0, 0, 20, 10));
    EXPECT_EQ(f.clip, Rect(3, 4, 30, 30));
    EXPECT_EQ(f.drawMode, 1);
    EXPECT_EQ(dest.calls[1].rect, Rect(4, 6, 40, 50));
    EXPECT_EQ(dest.calls[1].src, Rect(0, 0, 20, 10));
    EXPECT_TRUE(dest.calls[1].flag);
    EXPECT_EQ(dest.calls[2].rect, Rect(4, 6, 3, 4));
    EXPECT_EQ(dest.calls[2].src, Rect(5, 6, 7, 8));
    EXPECT_EQ(dest.calls[3].op, "BlitRotated");
    EXPECT_FLOAT_EQ(dest.calls[3].centreX, 10.0f);
    EXPECT_FLOAT_EQ(dest.calls[3].centreY, 5.0f);
    EXPECT_DOUBLE_EQ(dest.calls[3].angle, 0.25);
    EXPECT_FLOAT_EQ(dest.calls[4].centreX, 3.0f);  // integer halves of 7 x 5
    EXPECT_FLOAT_EQ(dest.calls[4].centreY, 2.0f);
    EXPECT_EQ(dest.calls[4].src, part);
    EXPECT_EQ(dest.calls[5].op, "BlitMatrix");
    EXPECT_FLOAT_EQ(dest.calls[5].x1, 3.5f);
    EXPECT_TRUE(dest.calls[5].flag);
}

}  // namespace

// 3D Page Turn through the loaded module: which edge lifts, which way the
// page curls, and the look that belongs to the page alone.
#include "tests/transitions/probe.h"

namespace svt::test {
namespace {


bool ShowsA(int code) {
    return code == Code(kRed) || code == Code(kGreen) || code == Code(kBlue) || code == Code(kYellow);
}
bool ShowsB(int code) {
    return code == Code(kCyan) || code == Code(kMagenta) || code == Code(kWhite) || code == Code(kOrange);
}

TransitionProbe Page(const char* edge = "Left", bool topDown = true) {
    TransitionProbe page(8);
    page.Set("Peel Edge", edge).Pictures(QuartersA(kW, kH), QuartersB(kW, kH), Rows(topDown));
    return page;
}

TEST(PageTurn, EachPeelEdgeIsTheHingeAndTheOppositeEdgeLifts) {
    // Where the hinge lies on the shown picture and the quarter colours just
    // inside it (the page lies flat there, the right way up), and a point
    // just inside the opposite edge. Edge names are those of the picture as
    // shown: "Bottom" is the bottom edge whichever order the rows are stored in.
    struct EdgeCase {
        const char* edge;
        double hingeX0, hingeY0, hingeX1, hingeY1;
        Rgba hinge0, hinge1;
        double farX, farY;
    };
    constexpr EdgeCase kEdges[] = {
        {"Left", 0.04, 0.25, 0.04, 0.75, kRed, kBlue, 0.96, 0.5},
        {"Right", 0.96, 0.25, 0.96, 0.75, kGreen, kYellow, 0.04, 0.5},
        {"Bottom", 0.25, 0.96, 0.75, 0.96, kBlue, kYellow, 0.5, 0.04},
        {"Top", 0.25, 0.04, 0.75, 0.04, kRed, kGreen, 0.5, 0.96},
    };
    for (bool topDown : {true, false})
        for (const EdgeCase& e : kEdges) {
            SCOPED_TRACE(testing::Message() << e.edge << (topDown ? ", top-down" : ", bottom-up"));
            TransitionProbe page = Page(e.edge, topDown);
            // t' = 0 draws the flat page: exactly picture A.
            EXPECT_TRUE(page.Render(0.0) == QuartersA(kW, kH));
            // Halfway the page has bent through a quarter turn in a curl of
            // radius 2/(π/2) = 1.27: its free edge stands over the middle of
            // the picture, and the far quarter shows picture B beneath.
            const host::Picture out = page.Render(0.5);
            EXPECT_EQ(CodeAt(out, e.hingeX0, e.hingeY0), Code(e.hinge0));
            EXPECT_EQ(CodeAt(out, e.hingeX1, e.hingeY1), Code(e.hinge1));
            EXPECT_TRUE(ShowsB(CodeAt(out, e.farX, e.farY))) << CodeAt(out, e.farX, e.farY);
            // Reversed, picture B is the page and lays itself down over A.
            const host::Picture back = page.Set("Reverse", "on").Render(0.5);
            EXPECT_TRUE(ShowsB(CodeAt(back, e.hingeX0, e.hingeY0)));
            EXPECT_TRUE(ShowsA(CodeAt(back, e.farX, e.farY)));
        }
}

TEST(PageTurn, PeelBackCurlsAwayFromTheViewer) {
    // At t = 0.3 the page hinged on the left has bent through 0.3π in a curl
    // of radius 2/(0.3π) = 2.12; its free edge lies at x = -1 + 2.12·sin(0.3π)
    // = 0.716, 2.12·(1 - cos(0.3π)) = 0.874 off the picture plane.
    //   Toward the viewer: w = 1 - 0.874/5 = 0.825, so the edge shows at
    //   x = 0.87 and reaches past the top and bottom (1/0.825 = 1.21).
    //   Away from it: w = 1.175, x = 0.61, and it is 2·0.85 high.
    TransitionProbe page = Page();
    host::Picture out = page.Render(0.3);
    EXPECT_TRUE(ShowsA(CodeAt(out, 0.9, 0.5))) << "x = 0.8 lies under the grown page";
    EXPECT_TRUE(ShowsA(CodeAt(out, 0.775, 0.01))) << "x = 0.55 on the top row too";
    out = page.Set("Peel Back", "on").Render(0.3);
    EXPECT_TRUE(ShowsB(CodeAt(out, 0.9, 0.5))) << "the shrunk page ends before x = 0.8";
    EXPECT_TRUE(ShowsB(CodeAt(out, 0.775, 0.01))) << "and is lower than the frame there";
    EXPECT_EQ(CodeAt(out, 0.25, 0.25), Code(kRed)) << "the hinge side still lies flat";
}

TEST(PageTurn, TheGlowLooksOnlyAtThePageAndOnlyWithFog) {
    TransitionProbe page(8);
    page.Pictures(PictureA(kW, kH), PictureB(kW, kH));
    const host::Picture plain = page.Render(0.5);
    EXPECT_TRUE(page.Set("Shine", "100").Render(0.5) == plain) << "no sheen without Fog";
    // With Fog the page glows, but picture B lying beneath it, in the right
    // eighth, is unchanged pixel for pixel.
    const host::Picture glowing = page.Set("Fog", "60").Render(0.5);
    EXPECT_FALSE(glowing == plain);
    int changedUnder = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = kW * 7 / 8; x < kW; ++x) changedUnder += !(glowing.at(x, y) == plain.at(x, y));
    EXPECT_EQ(changedUnder, 0);
}

} // namespace
} // namespace svt::test

// Transitions that turn pieces over must end on picture B the right way up
// and round (and start on A so), whichever way the pieces turn and whichever
// order the frame's rows are stored in: a wrong mirror mode or corner order
// shows here as B upside down or mirrored.
#include <map>

#include "tests/transitions/probe.h"

namespace svt::test {
namespace {

constexpr uint32_t kFlip = 3, kLouverGrid = 5, kPizzaBoxes = 9, kRotatingFrames = 10, kTwist = 12;

TEST(Upright, TurnedPiecesShowBothPicturesTheRightWayRound) {
    using Settings = std::vector<std::pair<std::string, std::string>>;
    std::vector<std::pair<uint32_t, Settings>> cases;
    for (const char* axis : {"Horizontal", "Vertical"}) {
        for (const char* cw : {"off", "on"})
            for (const char* offset : {"0", "-100"})
                cases.push_back({kFlip, {{"Orientation", axis}, {"Clockwise", cw}, {"Offset", offset}, {"Distance", "0"}}});
        for (const char* right : {"off", "on"})
            cases.push_back({kPizzaBoxes, {{"Orientation", axis}, {"Rotate right", right}, {"Slices", "4"}, {"Cohesion", "100"}}});
        // Grid panels turn about their own centre lines, frames about the picture's.
        cases.push_back({kLouverGrid, {{"Rotation", axis}, {"Columns", "4"}, {"Rows", "3"}, {"Cohesion", "100"}}});
        cases.push_back({kRotatingFrames, {{"Rotation", axis}, {"Frames", "3"}}});
        for (const char* rotate : {"off", "on"}) // with or without the turn in the plane
            cases.push_back({kTwist, {{"Axis", axis}, {"Rotate", rotate}, {"Slices", "4"}, {"Cohesion", "100"}}});
    }
    // Without the look, shading or recession, which would only blur the comparison.
    const std::map<uint32_t, Settings> plain = {
        {kFlip, {{"Fog", "0"}, {"Shine", "0"}, {"Shading", "0"}}},
        {kPizzaBoxes, {{"Fog", "0"}, {"Shine", "0"}, {"Depth", "0"}, {"Ebb && Flow", "0"}}},
        {kLouverGrid, {{"Shading", "0"}, {"Depth", "0"}}},
        {kRotatingFrames, {{"Shading", "0"}, {"Depth", "0"}}},
        {kTwist, {{"Shading", "0"}, {"Depth", "0"}}}};
    for (bool topDown : {true, false})
        for (const auto& [index, settings] : cases) {
            TransitionProbe r(index);
            std::string what = std::to_string(index) + (topDown ? " top-down" : " bottom-up");
            for (const auto& [label, value] : plain.at(index)) r.Set(label, value);
            for (const auto& [label, value] : settings) {
                r.Set(label, value);
                what += " " + label + " " + value;
            }
            r.Pictures(QuartersA(kW, kH), QuartersB(kW, kH), Rows(topDown));
            ExpectUpright(r.Render(0.999), QuartersB(kW, kH), 8, what);
            ExpectUpright(r.Render(0.001), QuartersA(kW, kH), 8, what);
        }
}

} // namespace
} // namespace svt::test

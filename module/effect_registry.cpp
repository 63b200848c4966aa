#include "module/effect_registry.h"

#include "transitions/transitions.h"

namespace svt {

const EffectEntry kEffectRegistry[kEffectCount] = {
    {"D3DBoxInversion", CreateBoxFold},        // 0  "3D Box Fold"
    {"D3DChessBoard", CreateCheckerBoard},     // 1  "3D Checker Board"
    {"D3DComb", CreateComb},                   // 2  "3D Comb"
    {"D3DHalfRotate", CreateFlip},             // 3  "3D Flip"
    {"D3DFlyAway", CreateFlyAway},             // 4  "3D Fly Away"
    {"D3DMNJalousie", CreateLouverGrid},       // 5  "3D Louver Grid"
    {"D3DJalousie", CreateLouvers},            // 6  "3D Louvers"
    {"D3DWave", CreateMagicCarpet},            // 7  "3D Magic Carpet"
    {"D3DPageCurl", CreatePageTurn},           // 8  "3D Page Turn"
    {"D3DLayers", CreatePizzaBoxes},           // 9  "3D Pizza Boxes"
    {"D3DRings", CreateRotatingFrames},        // 10 "3D Rotating Frames"
    {"D3DSpiralJelly", CreateSpiralBounce},    // 11 "3D Spiral Bounce"
    {"D3DTwist", CreateTwist},                 // 12 "3D Twist"
};

IVideoEffect* CreateRegisteredEffect(uint32_t index) {
    if (index >= kEffectCount) return nullptr;
    return kEffectRegistry[index].create();
}

} // namespace svt

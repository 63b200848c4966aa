#include "module/effect_registry.h"

#include "transitions/transitions.h"

namespace svt {

EffectFactory* const kEffectRegistry[kEffectCount] = {
    CreateBoxFold,           // 0  "3D Box Fold", class D3DBoxInversion
    CreateCheckerBoard,      // 1  "3D Checker Board", class D3DChessBoard
    CreateComb,              // 2  "3D Comb", class D3DComb
    CreateFlip,              // 3  "3D Flip", class D3DHalfRotate
    CreateFlyAway,           // 4  "3D Fly Away", class D3DFlyAway
    CreateLouverGrid,        // 5  "3D Louver Grid", class D3DMNJalousie
    CreateLouvers,           // 6  "3D Louvers", class D3DJalousie
    CreateMagicCarpet,       // 7  "3D Magic Carpet", class D3DWave
    CreatePageTurn,          // 8  "3D Page Turn", class D3DPageCurl
    CreatePizzaBoxes,        // 9  "3D Pizza Boxes", class D3DLayers
    CreateRotatingFrames,    // 10 "3D Rotating Frames", class D3DRings
    CreateSpiralBounce,      // 11 "3D Spiral Bounce", class D3DSpiralJelly
    CreateTwist,             // 12 "3D Twist", class D3DTwist
};

IVideoEffect* CreateRegisteredEffect(uint32_t index) {
    if (index >= kEffectCount) return nullptr;
    return kEffectRegistry[index]();
}

} // namespace svt

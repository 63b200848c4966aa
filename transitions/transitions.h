// Factories of the thirteen transitions, one per file in this folder. Each
// returns the IVideoEffect of a new object holding one reference, or null.
#pragma once

#include "library/abi.h"

namespace svt {

IVideoEffect* CreateBoxFold();
IVideoEffect* CreateCheckerBoard();
IVideoEffect* CreateComb();
IVideoEffect* CreateFlip();
IVideoEffect* CreateFlyAway();
IVideoEffect* CreateLouverGrid();
IVideoEffect* CreateLouvers();
IVideoEffect* CreateMagicCarpet();
IVideoEffect* CreatePageTurn();
IVideoEffect* CreatePizzaBoxes();
IVideoEffect* CreateRotatingFrames();
IVideoEffect* CreateSpiralBounce();
IVideoEffect* CreateTwist();

} // namespace svt

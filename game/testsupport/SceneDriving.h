#pragma once

// The game loop's steps for one scene, and a careful player's hand on the tilt.

#include "appbase/JTCanvas.h"
#include "game/MyGameScene.h"

namespace gametest {

// One tick as the game loop runs it.
void tickScene(const JTAppBase::JTCanvasPtr& canvas, JTApp::MyGameScene& scene);
// One rendered frame as the game loop draws it.
void renderScene(const JTAppBase::JTCanvasPtr& canvas, JTApp::MyGameScene& scene);

// The tilt that steers toward the middle of the row the car is in (the first such row where
// the car stands on a boundary); 0 when no row holds the car.
double tiltTowardRowMiddle(const JTApp::MyGameScene& scene);

}  // namespace gametest

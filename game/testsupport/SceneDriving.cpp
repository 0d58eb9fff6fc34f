#include "game/testsupport/SceneDriving.h"

namespace gametest {

void tickScene(const JTAppBase::JTCanvasPtr& canvas, JTApp::MyGameScene& scene) {
    canvas->beginFrame();
    scene.onFrame();
    canvas->endFrame();
}

void renderScene(const JTAppBase::JTCanvasPtr& canvas, JTApp::MyGameScene& scene) {
    canvas->beginRender();
    scene.draw(canvas);
    canvas->endRender();
}

double tiltTowardRowMiddle(const JTApp::MyGameScene& scene) {
    for (int i = 0; i < JTApp::MyGameScene::kRowCount; ++i) {
        const auto& row = scene.getRow(i);
        if (row->y <= scene.getCarY() && scene.getCarY() <= row->y + 512)
            return ((row->left + row->right) / 2 - 4096) / 12288.0;
    }
    return 0;
}

}  // namespace gametest

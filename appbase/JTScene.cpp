#include "appbase/JTScene.h"

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"

namespace JTAppBase {

JTScene::JTScene(JTAppContext* context) : context_(context) {}

void JTScene::draw() {
    auto context = context_.lock();
    auto canvas = context ? context->getCanvas() : nullptr;
    if (canvas) draw(canvas);
}

JTAppContextPtr JTScene::getAppContext() const {
    return context_.lock();
}

}  // namespace JTAppBase

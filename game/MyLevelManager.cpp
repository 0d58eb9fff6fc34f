#include "game/MyLevelManager.h"

#include "appbase/JTAppContext.h"
#include "core/JTStringBuilder.h"
#include "game/MyGameScene.h"

namespace JTApp {

void MyLevelManager::initLevels(const JTCore::JTArrayListPtr& levels) {
    auto normal = newLevelInfo(1);
    normal->setTitle(JTCore::NewJTString("Level: Normal"));
    auto description =
        JTCore::JTNew<JTCore::JTStringBuilder>("Tilt the device left and right to move the car!");
    description->append("\nRun along the road and get hamburgers.");
    normal->setDescription(description->toString());
    levels->add(normal);

    auto obstacles = newLevelInfo(3);
    obstacles->setTitle(JTCore::NewJTString("Level: Obstacles"));
    obstacles->setDescription(JTCore::NewJTString("There are obstacles on the road!"));
    levels->add(obstacles);
}

void MyLevelManager::startLevel(int32_t) {
    auto context = getAppContext();
    if (!context) return;
    context->startGameScene(JTCore::JTNew<MyGameScene>(context.get()));
}

void MyLevelManager::addUnlockRules(const JTCore::JTArrayListPtr& rules) {
    rules->add(JTCore::JTNew<JTAppBase::UnlockByScoreRule>(1, 8000, 3));
}

}  // namespace JTApp

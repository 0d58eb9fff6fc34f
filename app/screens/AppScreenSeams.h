#pragma once

// Screens the app core switches to whose classes live elsewhere: the game-over screen takes
// the run's scores when it starts, and the level download may claim an application URL.

#include <cstdint>
#include <memory>
#include <string>

namespace scores {
class LevelScores;
class LevelScoreElem;
}  // namespace scores
namespace app {

class GameOverScreen {
  public:
    virtual ~GameOverScreen() = default;
    virtual void startWithLevelScores(
        const std::shared_ptr<scores::LevelScores>& scores,
        const std::shared_ptr<scores::LevelScoreElem>& currentScore) = 0;
};

class LevelDownloadUrlHandler {
  public:
    virtual ~LevelDownloadUrlHandler() = default;
    // True when the URL was the level download's to handle ("/startLevel").
    virtual bool handleOpenURL(const std::string& url) = 0;
};

}  // namespace app

#pragma once

// Screens the app core switches to whose classes live elsewhere: the game-over screen takes
// the run's scores when it starts, and the level download may claim an application URL.

#include <cstdint>
#include <memory>
#include <string>

class LevelScores;
class LevelScoreElem;

class GameOverScreen {
  public:
    virtual ~GameOverScreen() = default;
    virtual void startWithLevelScores(const std::shared_ptr<LevelScores>& scores,
                                      const std::shared_ptr<LevelScoreElem>& currentScore) = 0;
};

class LevelDownloadUrlHandler {
  public:
    virtual ~LevelDownloadUrlHandler() = default;
    // True when the URL was the level download's to handle ("/startLevel").
    virtual bool handleOpenURL(const std::string& url) = 0;
};

#pragma once

// Shows a level's recent scores in the tagged labels and buttons of a screen (the game-over
// screen, the scores tool) and submits the score of a pressed button to the web service's
// ranking. The screen owns the viewer; the viewer only points back at the screen, so neither
// keeps the other alive.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Value.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"

namespace scores {

class LevelScores;
class LevelScoreElem;

class ScoresViewerDelegate {
  public:
    virtual ~ScoresViewerDelegate() = default;
    // The view holding the tagged labels and buttons.
    virtual std::shared_ptr<platform::ui::View> scoreComponentsContainer() = 0;
    // The app core's score submission; false when the score page could not be opened.
    virtual bool webSubmitScore(const LevelScoreElem& score, int32_t levelId,
                                const LevelScoreElem* highScore, bool useHs) = 0;
};

class ScoresViewer : public std::enable_shared_from_this<ScoresViewer> {
  public:
    static constexpr int kHighScoreLabelTag = 1001;
    static constexpr int kHighScoreBtnTag = 1101;
    static constexpr int kRecentScoreLabelTag = 2001;
    static constexpr int kRecentScoreBtnTag = 2101;
    static constexpr int kHighScoresNum = 0;
    static constexpr int kRecentScoresNum = 3;

    static std::shared_ptr<ScoresViewer> create(std::weak_ptr<ScoresViewerDelegate> delegate);

    // Collects the labels and buttons from the delegate's container and shows `scores`.
    void startWithLevelScores(std::shared_ptr<LevelScores> scores);
    void updateView();
    void onSubmitBtn(platform::ui::Control* button);

    const std::shared_ptr<LevelScores>& levelScores() const { return levelScores_; }
    void setLevelScores(std::shared_ptr<LevelScores> scores) { levelScores_ = std::move(scores); }
    // The score of the run just ended, shown highlighted.
    const std::shared_ptr<LevelScoreElem>& currentScore() const { return currentScore_; }
    void setCurrentScore(std::shared_ptr<LevelScoreElem> s) { currentScore_ = std::move(s); }

    const std::vector<std::shared_ptr<platform::ui::Label>>& recentScoreLabels() const {
        return recentScoreLabels_;
    }
    const std::vector<std::shared_ptr<platform::ui::Button>>& recentScoreSubmitBtns() const {
        return recentScoreSubmitBtns_;
    }

    // Slot i holds the container's view tagged tagBegin + i when it is a T, else nothing.
    template <typename T>
    static void processTagWithContainer(platform::ui::View& container,
                                        std::vector<std::shared_ptr<T>>& array, int arraySize,
                                        int tagBegin) {
        array.assign(static_cast<size_t>(arraySize), nullptr);
        for (int i = 0; i < arraySize; ++i) {
            array[static_cast<size_t>(i)] =
                std::dynamic_pointer_cast<T>(container.viewWithTag(tagBegin + i));
        }
    }
    // The slot of the button, -1 when it is none of them.
    static int findScoreByButton(const platform::ui::Control* button,
                                 const std::vector<std::shared_ptr<platform::ui::Button>>& buttons);
    // "MM/dd HH:mm" in local time.
    static std::string dateText(const platform::Date& date);
    // "%d pts. (<date>)", or "-----" without a score.
    static std::string scoreText(const LevelScoreElem* score);

  private:
    explicit ScoresViewer(std::weak_ptr<ScoresViewerDelegate> delegate)
        : delegate_(std::move(delegate)) {}
    void connectButtons(const std::vector<std::shared_ptr<platform::ui::Button>>& buttons);
    void showSlots(const std::vector<std::shared_ptr<platform::ui::Label>>& labels,
                   const std::vector<std::shared_ptr<platform::ui::Button>>& buttons,
                   const std::vector<std::shared_ptr<LevelScoreElem>>& scores);

    std::weak_ptr<ScoresViewerDelegate> delegate_;
    std::shared_ptr<LevelScores> levelScores_;
    std::vector<std::shared_ptr<platform::ui::Label>> highScoreLabels_;
    std::vector<std::shared_ptr<platform::ui::Label>> recentScoreLabels_;
    std::vector<std::shared_ptr<platform::ui::Button>> highScoreSubmitBtns_;
    std::vector<std::shared_ptr<platform::ui::Button>> recentScoreSubmitBtns_;
    std::shared_ptr<LevelScoreElem> currentScore_;
};

}  // namespace scores

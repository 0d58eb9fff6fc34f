#include "scores/ScoresViewer.h"

#include <cmath>
#include <ctime>

#include "appbase/ShellInterfaces.h"
#include "platform/base/LogSink.h"
#include "scores/LevelScoreElem.h"
#include "scores/LevelScores.h"

namespace scores {

std::shared_ptr<ScoresViewer> ScoresViewer::create(std::weak_ptr<ScoresViewerDelegate> delegate) {
    return std::shared_ptr<ScoresViewer>(new ScoresViewer(std::move(delegate)));
}

void ScoresViewer::startWithLevelScores(std::shared_ptr<LevelScores> scores) {
    auto delegate = delegate_.lock();
    auto container = delegate ? delegate->scoreComponentsContainer() : nullptr;
    if (container) {
        processTagWithContainer(*container, highScoreLabels_, kHighScoresNum, kHighScoreLabelTag);
        processTagWithContainer(*container, highScoreSubmitBtns_, kHighScoresNum, kHighScoreBtnTag);
        processTagWithContainer(*container, recentScoreLabels_, kRecentScoresNum,
                                kRecentScoreLabelTag);
        processTagWithContainer(*container, recentScoreSubmitBtns_, kRecentScoresNum,
                                kRecentScoreBtnTag);
        connectButtons(highScoreSubmitBtns_);
        connectButtons(recentScoreSubmitBtns_);
    }
    levelScores_ = std::move(scores);
}

void ScoresViewer::connectButtons(const std::vector<std::shared_ptr<platform::ui::Button>>& btns) {
    std::weak_ptr<ScoresViewer> weak = weak_from_this();
    for (const auto& button : btns) {
        if (!button) continue;
        // A screen is started again for every game over: the old connection must not stay.
        button->removeAllTargets();
        button->addTarget(
            [weak](platform::ui::Control* sender) {
                if (auto self = weak.lock()) self->onSubmitBtn(sender);
            },
            platform::ui::ControlEventTouchUpInside);
    }
}

std::string ScoresViewer::dateText(const platform::Date& date) {
    const double seconds = std::floor(date.secondsSince1970);
    std::time_t t =
        std::isfinite(seconds) && std::abs(seconds) < 1e15 ? static_cast<std::time_t>(seconds) : 0;
    std::tm local{};
    if (!localtime_r(&t, &local)) return "";
    char buf[32];
    std::strftime(buf, sizeof buf, "%m/%d %H:%M", &local);
    return buf;
}

std::string ScoresViewer::scoreText(const LevelScoreElem* score) {
    if (!score) return "-----";
    return std::to_string(score->score()) + " pts. (" +
           dateText(score->date().value_or(platform::Date{})) + ")";
}

void ScoresViewer::updateView() {
    static const LevelScores::List kNone;
    showSlots(highScoreLabels_, highScoreSubmitBtns_,
              levelScores_ ? levelScores_->highScores() : kNone);
    showSlots(recentScoreLabels_, recentScoreSubmitBtns_,
              levelScores_ ? levelScores_->recentScores() : kNone);
}

void ScoresViewer::showSlots(const std::vector<std::shared_ptr<platform::ui::Label>>& labels,
                             const std::vector<std::shared_ptr<platform::ui::Button>>& buttons,
                             const std::vector<std::shared_ptr<LevelScoreElem>>& scores) {
    const size_t slots = std::max(labels.size(), buttons.size());
    for (size_t i = 0; i < slots; ++i) {
        const LevelScoreElem* e = i < scores.size() ? scores[i].get() : nullptr;
        if (i < labels.size() && labels[i]) {
            const bool current = e && e == currentScore_.get();
            labels[i]->setTextColor(current ? platform::Color::rgba(1, 1, 0)
                                            : platform::Color::whiteColor());
            labels[i]->setText(scoreText(e));
        }
        if (i < buttons.size() && buttons[i]) {
            buttons[i]->setHidden(!(e && e->canResubmit()));
        }
    }
}

int ScoresViewer::findScoreByButton(
    const platform::ui::Control* button,
    const std::vector<std::shared_ptr<platform::ui::Button>>& buttons) {
    if (!button) return -1;
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].get() == button) return static_cast<int>(i);
    }
    return -1;
}

void ScoresViewer::onSubmitBtn(platform::ui::Control* button) {
    platform::LogSink::write(std::string("-[ScoresViewer onSubmitBtn:] onSubmit <") +
                             (button ? button->className() : "nil") +
                             (button ? "; tag = " + std::to_string(button->tag()) : "") + ">");
    if (!levelScores_) return;
    std::shared_ptr<LevelScoreElem> score;
    if (int i = findScoreByButton(button, highScoreSubmitBtns_); i >= 0) {
        const auto& list = levelScores_->highScores();
        if (static_cast<size_t>(i) < list.size()) score = list[static_cast<size_t>(i)];
    } else if (int j = findScoreByButton(button, recentScoreSubmitBtns_); j >= 0) {
        const auto& list = levelScores_->recentScores();
        if (static_cast<size_t>(j) < list.size()) score = list[static_cast<size_t>(j)];
    }
    // A button whose slot has no score (it is hidden then) submits nothing.
    if (!score) return;
    auto delegate = delegate_.lock();
    const auto& level = levelScores_->levelInfo();
    if (!delegate || !level) return;
    const auto& highs = levelScores_->highScores();
    delegate->webSubmitScore(*score, level->webLevelId(), highs.empty() ? nullptr : highs[0].get(),
                             false);
}

}  // namespace scores

#pragma once

// The pause screen: sound volume, back to the title, resume (placed over the game's pause
// button so the same tap resumes) and an extra button a scene may ask for.

#include <memory>

#include "app/screens/ViewControllerBase.h"
#include "platform/ui/Button.h"

namespace app {

class PauseView : public ViewControllerBase {
  public:
    explicit PauseView(std::string nibName = "Pause_Portrait");
    const char* className() const override { return "PauseView"; }

    JTAppBase::JTScenePtr gameScene() const;
    void viewWillAppear(bool animated) override;
    void updateView();

    void onResumeBtn();

    // Where the game draws its pause button, in window points; (0, 0) means not told.
    void setResumeBtnPos(platform::Point p) { resumeBtnPos_ = p; }
    platform::Point resumeBtnPos() const { return resumeBtnPos_; }
    std::shared_ptr<platform::ui::Button> resumeBtn() const { return resumeBtn_; }
    std::shared_ptr<platform::ui::Button> soundBtn() const { return soundBtn_; }
    std::shared_ptr<platform::ui::Button> additional0Btn() const { return additional0Btn_; }

  private:
    // The interface's buttons, bound by name when the screen is made.
    void onSoundBtn();
    void onBackToTitleBtn();
    void onAdditional0Btn();

    std::shared_ptr<platform::ui::Button> soundBtn_;
    std::shared_ptr<platform::ui::Button> resumeBtn_;
    platform::Point resumeBtnPos_;
    std::shared_ptr<platform::ui::Button> additional0Btn_;
};

// The game's own subclass; the app core makes PauseView itself.
class MyPauseView : public PauseView {
  public:
    using PauseView::PauseView;
    const char* className() const override { return "MyPauseView"; }
};

}  // namespace app

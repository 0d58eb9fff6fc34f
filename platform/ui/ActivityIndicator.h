#pragma once

#include "platform/ui/View.h"

namespace platform::ui {

enum class ActivityIndicatorStyle { WhiteLarge = 0, White = 1, Gray = 2 };

class ActivityIndicator : public View {
  public:
    static std::shared_ptr<ActivityIndicator> create(
        ActivityIndicatorStyle style = ActivityIndicatorStyle::White);
    explicit ActivityIndicator(Rect frame = {});
    const char* className() const override { return "UIActivityIndicatorView"; }

    ActivityIndicatorStyle style() const { return style_; }
    void setStyle(ActivityIndicatorStyle s) { changeDrawn(style_, s); }
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    bool drawsOverTime() const override { return animating_; }
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool h);
    void applyInterfaceProperties(InterfaceProperties& properties) override;

  protected:
    void draw(Painter& painter) override;

  private:
    ActivityIndicatorStyle style_ = ActivityIndicatorStyle::White;
    bool animating_ = false;
    bool hidesWhenStopped_ = true;
};

}  // namespace platform::ui

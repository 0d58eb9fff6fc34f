#pragma once

#include "platform/ui/View.h"

namespace platform::ui {

// A view whose bounds origin is the scrolled offset into a larger content.
class ScrollView : public View {
  public:
    static std::shared_ptr<ScrollView> create(Rect frame = {});
    explicit ScrollView(Rect frame = {});
    const char* className() const override { return "UIScrollView"; }

    Size contentSize() const { return contentSize_; }
    void setContentSize(Size s) { changeDrawn(contentSize_, s); }
    Point contentOffset() const { return bounds().origin; }
    // Code may place the offset anywhere; dragging keeps it within the content.
    void setContentOffset(Point p, bool animated = false);
    bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool e) { scrollEnabled_ = e; }
    bool showsVerticalScrollIndicator() const { return showsVertical_; }
    void setShowsVerticalScrollIndicator(bool s) { changeDrawn(showsVertical_, s); }

    // Shows the indicators briefly so the user sees there is more.
    void flashScrollIndicators();
    int indicatorFlashCount() const { return flashCount_; }
    // The compositor draws the indicators while this is true.
    bool indicatorsVisible() const;
    bool drawsOverTime() const override { return indicatorsVisible(); }
    static constexpr double kIndicatorFlashSeconds = 1.0;
    void applyInterfaceProperties(InterfaceProperties& properties) override;

    void touchesBegan(const TouchSet& t, const Event& e) override;
    void touchesMoved(const TouchSet& t, const Event& e) override;
    void touchesEnded(const TouchSet& t, const Event& e) override;
    void touchesCancelled(const TouchSet& t, const Event& e) override;

  protected:
    void drawOverSubviews(Painter& painter) override;

  private:
    Point clamped(Point p) const;

    Size contentSize_;
    bool scrollEnabled_ = true;
    bool showsVertical_ = true;
    int flashCount_ = 0;
    double flashedAt_ = -1;
    bool dragging_ = false;
    double dragTime_ = -1;
};

}  // namespace platform::ui

#include "ads/foundation/GADViewAdditions.h"

#include <memory>

#include "platform/ui/Application.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace ads {

using platform::Rect;
using platform::ui::View;

Rect gad_visibleBounds(const View& view) {
    if (platform::ui::Application::shared().applicationState() !=
        platform::ui::ApplicationState::Active) {
        return Rect::zero();
    }
    const platform::ui::Window* window = view.window();
    if (!window || window->isHidden()) return Rect::zero();
    // The chain is walked twice: a hidden view anywhere hides the view whatever clips.
    std::shared_ptr<View> holder;
    for (const View* v = &view; v; holder = v->superview(), v = holder.get()) {
        if (v->isHidden()) return Rect::zero();
    }
    // Only the view's own rectangle counts, whether or not the view clips: one scrolled out
    // of a clipping list shows nothing of itself.
    Rect visible = view.convertRectToView(view.bounds(), nullptr).intersection(window->bounds());
    if (visible.isEmpty()) return Rect::zero();
    for (holder = view.superview(); holder; holder = holder->superview()) {
        if (!holder->clipsToBounds()) continue;
        visible = visible.intersection(holder->convertRectToView(holder->bounds(), nullptr));
        if (visible.isEmpty()) return Rect::zero();
    }
    return visible;
}

bool gad_isShowing(const View& view) {
    if (view.window() != platform::ui::Application::shared().keyWindow().get()) return false;
    std::shared_ptr<View> holder;
    for (const View* v = &view; v; holder = v->superview(), v = holder.get()) {
        if (v->alpha() <= 0) return false;
    }
    // The rest (an inactive application, a hidden window or view, clipping) is the visible
    // area's rule.
    return !gad_visibleBounds(view).isEmpty();
}

bool gad_supportsOrientations(const View& view, unsigned mask) {
    auto& app = platform::ui::Application::shared();
    return (app.supportedInterfaceOrientationsForWindow(view.window()) & mask) != 0;
}

void gad_fillSuperview(View& view) {
    auto superview = view.superview();
    if (!superview) return;
    view.setFrame(Rect(platform::Point{}, superview->bounds().size));
    view.setAutoresizingMask(platform::ui::AutoresizingFlexibleWidth |
                             platform::ui::AutoresizingFlexibleHeight);
}

platform::gfx::Image gad_render(View& view) {
    return platform::ui::renderViewToImage(view, platform::ui::Screen::mainScreen().scale());
}

}  // namespace ads

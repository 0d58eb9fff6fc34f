#include "ads/web/GADImpressionTicketGestureRecognizer.h"

namespace ads {

GADImpressionTicketGestureRecognizer::GADImpressionTicketGestureRecognizer() {
    setCancelsTouchesInView(false);
}

void GADImpressionTicketGestureRecognizer::touchesBegan(const platform::ui::TouchSet&,
                                                        const platform::ui::Event&) {
    setState(platform::ui::GestureState::Failed);
}

}  // namespace ads

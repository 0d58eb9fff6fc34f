#include "ads/testsupport/AdViewTestScope.h"

#include "ads/web/GADAdURLStash.h"
#include "ads/web/GADAdView.h"

namespace ads::testing {

AdViewTestScope::AdViewTestScope() {
    clear();
}

AdViewTestScope::~AdViewTestScope() {
    clear();
}

void AdViewTestScope::clear() {
    GADAdView::resetProcessState();
    GADAdURLStash::removeAll();
}

}  // namespace ads::testing

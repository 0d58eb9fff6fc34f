#include "ads/web/GADMRAIDInterceptor.h"

#include <gtest/gtest.h>

namespace ads {
namespace {

TEST(GADMRAIDInterceptorTest, HoldsAreCountedAndAStrayReleaseTakesNoOneElsesHold) {
    GADMRAIDInterceptor::resetCanInitWithRequestCount();
    GADMRAIDInterceptor::disableCanInitWithRequest();
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 0);
    GADMRAIDInterceptor::enableCanInitWithRequest();
    GADMRAIDInterceptor::enableCanInitWithRequest();
    GADMRAIDInterceptor::disableCanInitWithRequest();
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 1);
    GADMRAIDInterceptor::disableCanInitWithRequest();
    GADMRAIDInterceptor::disableCanInitWithRequest();
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 0);
    GADMRAIDInterceptor::enableCanInitWithRequest();
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 1);
    GADMRAIDInterceptor::resetCanInitWithRequestCount();
}

}  // namespace
}  // namespace ads

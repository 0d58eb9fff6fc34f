#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/JTCore.h"
#include "platform/base/LogSink.h"

using namespace JTCore;

TEST(JTArrayList, BoundsThrowOutOfRange) {
    auto list = JTNew<JTArrayList>();
    EXPECT_THROW(list->get(0), std::out_of_range);
    list->add(NewJTString("a"));
    list->add(NewJTString("b"));
    try {
        list->get(-1);
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "out of range");
    }
    EXPECT_THROW(list->get(2), std::out_of_range);
    EXPECT_THROW(list->remove(2), std::out_of_range);
    EXPECT_THROW(list->remove(-1), std::out_of_range);
    EXPECT_EQ(list->size(), 2);
}

TEST(JTArrayList, HoldsOneReferencePerElement) {
    auto s = NewJTString("x");
    auto list = JTNew<JTArrayList>();
    list->add(s);
    list->add(s);
    EXPECT_EQ(s->refCount(), 3);
    list->remove(1);
    EXPECT_EQ(list->size(), 1);
    EXPECT_EQ(s->refCount(), 2);
    list->add(NewJTString("y"));
    list->remove(0);
    EXPECT_EQ(DynamicCastString(list->get(0))->toUtf8(), "y");
    EXPECT_EQ(s->refCount(), 1);
    list->add(s);
    list.reset();
    EXPECT_EQ(s->refCount(), 1);
}

TEST(JTException, ThrownAsIntrusivePointerAndPrinted) {
    platform::LogSink::Capture log;
    try {
        throw JTNew<JTException>(NewJTString("bad level"));
    } catch (const JTExceptionPtr& e) {
        EXPECT_EQ(ToUtf8(e->getMessage()), "bad level");
        e->printStackTrace();
    }
    try {
        throw JTNew<JTException>();
    } catch (const JTExceptionPtr& e) {
        EXPECT_FALSE(e->getMessage());
        e->printStackTrace();
    }
    auto lines = log.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "[WARN] Exception: bad level");
    EXPECT_EQ(lines[1], "[WARN] Exception: (null)");
}

TEST(JTObject, LeakHooksAnswerUnknown) {
    EXPECT_EQ(JTObjectLiveCount(), 0xFFFFFFFFu);
    JTReportLeaks();
}

namespace {
// On its way out, looks at the list that held it.
class Watcher : public JTObject {
  public:
    Watcher(JTArrayList* list, int32_t* seenSize) : list_(list), seen_(seenSize) {}
    ~Watcher() override { *seen_ = list_->size(); }

  private:
    JTArrayList* list_;
    int32_t* seen_;
};
}  // namespace

TEST(JTArrayList, ElementsAreReleasedOnlyAfterTheListIsConsistent) {
    auto list = JTNew<JTArrayList>();
    int32_t seen = -1;
    list->add(NewJTString("a"));
    list->add(JTNew<Watcher>(list.get(), &seen));
    list->add(NewJTString("c"));
    list->remove(1);
    EXPECT_EQ(seen, 2);
    list->add(JTNew<Watcher>(list.get(), &seen));
    list->clear();
    EXPECT_EQ(seen, 0);
}

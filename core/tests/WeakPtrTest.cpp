#include <gtest/gtest.h>

#include "core/JTCore.h"

using namespace JTCore;

namespace {

class Probe : public JTObject {
  public:
    explicit Probe(int* destroyed) : destroyed_(destroyed) {}
    ~Probe() override { ++*destroyed_; }

  private:
    int* destroyed_;
};

// Tries to take a strong reference to itself through a weak pointer while dying.
class SelfLocker : public JTObject {
  public:
    explicit SelfLocker(bool* lockedDuringDestruction) : out_(lockedDuringDestruction) {}
    ~SelfLocker() override { *out_ = static_cast<bool>(self_.lock()); }
    JTWeakPtr<SelfLocker> self_;

  private:
    bool* out_;
};

}  // namespace

TEST(WeakPtr, SharedHolderOutlivesTargetAndLocksEmpty) {
    int destroyed = 0;
    auto p = JTNew<Probe>(&destroyed);
    EXPECT_EQ(p->refCount(), 1);  // the creation helper adopted the initial count

    JTWeakPtr<Probe> a(p), b(p);
    EXPECT_EQ(a.holder().get(), b.holder().get());
    EXPECT_EQ(a.lock().get(), p.get());
    EXPECT_EQ(p->refCount(), 1);  // weak pointers do not own

    JTWeakPtrHolderPtr holder = a.holder();
    p.reset();
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(a.lock());
    EXPECT_FALSE(b.lock());
    EXPECT_EQ(holder->target(), nullptr);
    EXPECT_EQ(holder->refCount(), 3);  // a, b and our copy keep it alive
}

TEST(WeakPtr, EmptyStrongGivesEmptyWeak) {
    JTWeakPtr<JTObject> w(JTObjectPtr{});
    EXPECT_TRUE(w.empty());
    EXPECT_FALSE(w.lock());
}

TEST(WeakPtr, HolderIsMadeOnlyOnFirstWeakReference) {
    auto o = JTNew<JTObject>();
    JTWeakPtr<JTObject> w1(o);
    JTWeakPtr<JTObject> w2(o);
    EXPECT_EQ(w1.holder()->refCount(), 3);  // the target's own reference plus two weak ones
}

TEST(WeakPtr, LockWhileTargetIsBeingDestroyedIsEmpty) {
    bool locked = true;
    auto s = JTNew<SelfLocker>(&locked);
    s->self_ = JTWeakPtr<SelfLocker>(s);
    s.reset();  // would double-delete under ASan if lock() resurrected the object
    EXPECT_FALSE(locked);
}

TEST(WeakPtr, ConvertsToBaseWeakPointer) {
    auto s = JTNew<JTString>("x");
    JTWeakPtr<JTString> ws(s);
    JTWeakPtr<JTObject> wo(ws);
    EXPECT_EQ(wo.lock().get(), s.get());
}

// The account id on its own: made once and shared through the keychain, an item of the wrong
// length replaced, and deleting the item makes the next load a new id.

#include "app/appcore/AccountId.h"

#include <gtest/gtest.h>

#include "AppCoreTestSupport.h"
#include "app/appcore/KeychainAccess.h"

using namespace app;

using AccountIdTest = appcore_test::AppCoreTest;

namespace {

platform::KeychainQuery query() {
    return KeychainQueryForAccount("arid", AccountId::keychainService(),
                                   AccountId::keychainAccessGroup());
}

}  // namespace

TEST_F(AccountIdTest, MadeOnceSharedAndReplacedWhenDamagedOrDeleted) {
    AccountId first;
    EXPECT_EQ(first.bytes(), std::vector<uint8_t>(AccountId::kLength, 0));
    first.loadOrCreate();
    EXPECT_NE(first.bytes(), std::vector<uint8_t>(AccountId::kLength, 0));
    EXPECT_EQ(KeychainCopyData(query()), first.bytes());
    EXPECT_EQ(first.text().size(), 32u);

    AccountId second;
    second.loadOrCreate();
    EXPECT_EQ(second.bytes(), first.bytes());

    ASSERT_TRUE(KeychainDeleteItem(query()));
    ASSERT_TRUE(KeychainAddData(query(), {1, 2, 3}));
    AccountId replaced;
    replaced.loadOrCreate();
    EXPECT_EQ(replaced.bytes().size(), AccountId::kLength);
    EXPECT_NE(replaced.bytes(), first.bytes());
    EXPECT_EQ(KeychainCopyData(query()), replaced.bytes());

    EXPECT_TRUE(AccountId::deleteFromKeychain());
    EXPECT_FALSE(KeychainCopyData(query()));
    AccountId fresh;
    fresh.loadOrCreate();
    EXPECT_NE(fresh.bytes(), replaced.bytes());
}

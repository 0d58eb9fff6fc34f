#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>

#include "core/JTCore.h"

using namespace JTCore;

TEST(JTString, LengthCountsUtf16Units) {
    EXPECT_EQ(NewJTString("abc")->length(), 3);
    EXPECT_EQ(NewJTString("\xC3\xA9")->length(), 1);          // é: two bytes, one unit
    EXPECT_EQ(NewJTString("\xE2\x82\xAC")->length(), 1);      // €
    EXPECT_EQ(NewJTString("\xF0\x9F\x8D\x94")->length(), 2);  // 🍔: a surrogate pair
    EXPECT_EQ(NewJTString("\xF0\x9F\x8D\x94")->toUtf8(), "\xF0\x9F\x8D\x94");
    EXPECT_EQ(JTString::empty()->length(), 0);
}

TEST(JTString, MalformedUtf8BecomesReplacementCharacters) {
    auto s = NewJTString(
        "a\xFF"
        "b\xC3");
    EXPECT_EQ(s->text(), std::u16string(u"a\uFFFDb\uFFFD"));
}

TEST(JTString, EqualityAndHash) {
    auto a = NewJTString("Level: Normal");
    auto b = NewJTString("Level: Normal");
    EXPECT_NE(a.get(), b.get());
    EXPECT_TRUE(a->equals(b));
    EXPECT_EQ(a->hashCode(), b->hashCode());
    EXPECT_FALSE(a->equals(NewJTString("Level: Obstacles")));
    EXPECT_FALSE(a->equals(nullptr));

    const JTBooleanPtr& t = JTBoolean::sharedTrue();
    EXPECT_FALSE(a->equals(t));
    EXPECT_FALSE(t->equals(a));
    EXPECT_FALSE(NewJTString("true")->equals(t));
    EXPECT_EQ(a->toString().get(), a.get());
}

TEST(JTStringBuilder, ToStringSharesTheBuildersText) {
    auto sb = JTNew<JTStringBuilder>();
    sb->append("Score: ")->append(12);
    JTStringPtr s = sb->toString();
    EXPECT_EQ(s->toUtf8(), "Score: 12");
    sb->append("0");
    EXPECT_EQ(s->toUtf8(), "Score: 120");
    EXPECT_EQ(s->length(), 10);
    sb->setLength(0);
    EXPECT_EQ(s->length(), 0);
}

TEST(JTStringBuilder, SetLengthCutsOrPadsWithNul) {
    auto sb = JTNew<JTStringBuilder>("abcdef");
    sb->setLength(3);
    EXPECT_EQ(sb->toString()->toUtf8(), "abc");
    auto sb2 = JTNew<JTStringBuilder>("ab");
    sb2->setLength(5);
    EXPECT_EQ(sb2->text(), std::u16string(u"ab\0\0\0", 5));
}

TEST(JTStringBuilder, InsertCountsUtf16AndRejectsPastTheEnd) {
    auto sb = JTNew<JTStringBuilder>("\xF0\x9F\x8D\x94z");  // 🍔 is two units
    sb->insert(2, NewJTString("-"));
    EXPECT_EQ(sb->toString()->toUtf8(), "\xF0\x9F\x8D\x94-z");
    sb->insert(sb->length(), NewJTString("!"));
    EXPECT_EQ(sb->toString()->toUtf8(), "\xF0\x9F\x8D\x94-z!");
    EXPECT_THROW(sb->insert(sb->length() + 1, NewJTString("x")), std::out_of_range);
    EXPECT_THROW(sb->insert(-1, NewJTString("x")), std::out_of_range);
    EXPECT_EQ(sb->length(), 5);
}

TEST(JTStringBuilder, AppendsChainAndFormatNumbers) {
    auto sb = JTNew<JTStringBuilder>();
    EXPECT_EQ(sb->append(-2147483647 - 1).get(), sb.get());
    AppendInt(sb, 7);
    sb->append(NewJTString("x"));
    EXPECT_EQ(sb->toString()->toUtf8(), "-21474836487x");
    EXPECT_EQ(sb->refCount(), 1);  // the chained references were all released
}

namespace JTApp {
class Wall : public JTObject {};
}  // namespace JTApp

TEST(JTObject, ToStringIsTypeNameAtLowAddressBits) {
    auto w = JTNew<JTApp::Wall>();
    char expected[256];
    std::snprintf(expected, sizeof expected, "%s@%x", typeid(JTApp::Wall).name(),
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(w.get())));
    EXPECT_EQ(w->toString()->toUtf8(), expected);
    EXPECT_NE(std::string(expected).find("4Wall"), std::string::npos);
    EXPECT_EQ(w->hashCode(), static_cast<int32_t>(reinterpret_cast<uintptr_t>(w.get())));
    EXPECT_TRUE(w->equals(w));
    EXPECT_FALSE(w->equals(JTNew<JTApp::Wall>()));
}

TEST(JTBoolean, SharedValuesAndTexts) {
    EXPECT_EQ(JTBoolean::sharedTrue()->toString()->toUtf8(), "true");
    EXPECT_EQ(JTBoolean::sharedFalse()->toString()->toUtf8(), "false");
    EXPECT_EQ(JTBoolean::sharedTrue()->toString().get(), JTBoolean::sharedTrue()->toString().get());
    EXPECT_TRUE(JTBoolean::sharedTrue()->equals(JTNew<JTBoolean>(true)));
    EXPECT_FALSE(JTBoolean::sharedTrue()->equals(JTBoolean::sharedFalse()));
    EXPECT_EQ(JTBoolean::sharedTrue()->hashCode(), 1);
    EXPECT_EQ(JTBoolean::sharedFalse()->hashCode(), 0);
    EXPECT_TRUE(DynamicCastBoolean(JTBoolean::sharedFalse()));
    EXPECT_FALSE(DynamicCastBoolean(NewJTString("false")));
    EXPECT_FALSE(DynamicCastString(JTBoolean::sharedFalse()));
}

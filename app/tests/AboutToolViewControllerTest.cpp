#include "app/screens/AboutToolViewController.h"

#include <gtest/gtest.h>

#include "ToolScreensTestSupport.h"
#include "app/testsupport/AppCoreBaseTestAccess.h"

namespace ui = platform::ui;

using namespace app;

using namespace tools_test;

namespace {

class AboutToolTest : public ToolScreensTest {
  protected:
    std::string shownText() {
        auto tab = showTab<AboutToolViewController>(2);
        if (!tab || !tab->aboutTextView()) return "(no text view)";
        return tab->aboutTextView()->text();
    }
    static constexpr const char* kHeader = "Movuroute\nVersion 1.0\n(c) test\n\n";
};

TEST_F(AboutToolTest, ShowsNameVersionCopyrightAndTheBundlesMessage) {
    copyAsset("AboutMessage.txt");
    std::ifstream in(kAssets / "AboutMessage.txt", std::ios::binary);
    std::string message((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(message.empty());
    EXPECT_EQ(shownText(), kHeader + message);

    auto about = tab<AboutToolViewController>(2);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->navigationItem().title, "About this app");
    EXPECT_EQ(about->tabBarItem().title, "About");
    EXPECT_EQ(about->tabBarItem().imageName, "icon_question.png");
}

TEST_F(AboutToolTest, AMissingOrBrokenMessageLeavesTheHeaderAlone) {
    EXPECT_EQ(shownText(), kHeader);

    core->stopToolsView();
    writeFile(bundle / "AboutMessage.txt", "caf\xc3 au lait");  // cut-off UTF-8
    EXPECT_EQ(AboutToolViewController::aboutMessage(), "");
    writeFile(bundle / "AboutMessage.txt", "\xc0\xaf");  // overlong '/'
    EXPECT_EQ(AboutToolViewController::aboutMessage(), "");
    writeFile(bundle / "AboutMessage.txt", "\xed\xa0\x80");  // a lone surrogate
    EXPECT_EQ(AboutToolViewController::aboutMessage(), "");
    writeFile(bundle / "AboutMessage.txt",
              std::string(AboutToolViewController::kMaxAboutMessageBytes + 1, 'a'));
    EXPECT_EQ(AboutToolViewController::aboutMessage(), "");
    writeFile(bundle / "AboutMessage.txt", "Caf\xc3\xa9 \xf0\x9f\x8d\x94");
    EXPECT_EQ(AboutToolViewController::aboutMessage(), "Caf\xc3\xa9 \xf0\x9f\x8d\x94");
    EXPECT_EQ(shownText(), std::string(kHeader) + "Caf\xc3\xa9 \xf0\x9f\x8d\x94");
}

TEST_F(AboutToolTest, PrivacyButtonOpensThePrivacyPageOfTheWebHost) {
    auto tab = showTab<AboutToolViewController>(2);
    ASSERT_NE(tab, nullptr);
    tab->performAction("onPrivacyPolicyButton", nullptr);
    const auto& urls = platform::ui::Application::shared().openedURLs();
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0], "http://127.0.0.1:8642/movuroute/iphone/page/privacy");
    EXPECT_EQ(AboutToolViewController::privacyPolicyUrl("https://h.example/x"),
              "https://h.example/x/page/privacy");
}

TEST_F(ToolScreensTest, TheAppCoreBuildsThreeLabelledTabsInNavigationControllers) {
    auto tools = openTools();
    ASSERT_NE(tools, nullptr);
    ASSERT_EQ(tools->viewControllers().size(), 3u);
    EXPECT_NE(tab<ScoreToolViewController>(0), nullptr);
    EXPECT_NE(tab<MySettingsToolViewController>(1), nullptr);
    EXPECT_NE(tab<AboutToolViewController>(2), nullptr);
    EXPECT_EQ(tab<ScoreToolViewController>(0)->nibName(), "Scores_Portrait_Free");
    EXPECT_EQ(tab<MySettingsToolViewController>(1)->nibName(), "SettingsTool_Portrait");
    EXPECT_EQ(tab<AboutToolViewController>(2)->nibName(), "AboutTool");
    EXPECT_EQ(tab<MySettingsToolViewController>(1)->settingsCore(),
              std::shared_ptr<SettingsToolCore>(core->screenSeams()));
    const char* names[] = {"Scores", "Settings", "About"};
    for (std::size_t i = 0; i < 3; ++i) {
        auto button = tools->tabButton(i);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->titleForState(platform::ui::ControlStateNormal), names[i]);
    }
    EXPECT_TRUE(toolsOnScreen());

    // Every interface file loads, and each scrolling tab scrolls its whole content.
    for (int i = 0; i < 3; ++i) {
        tools->setSelectedIndex(i);
        loop.runUntilIdle();
        auto nav = std::dynamic_pointer_cast<platform::ui::NavigationController>(
            tools->viewControllers()[std::size_t(i)]);
        auto tool = std::dynamic_pointer_cast<ToolViewControllerBase>(nav->topViewController());
        ASSERT_NE(tool, nullptr);
        EXPECT_EQ(tool->loadError(), "") << i;
        if (auto scroll = tool->scrollView()) {
            ASSERT_NE(tool->contentView(), nullptr);
            EXPECT_EQ(tool->contentView()->superview(), scroll);
            EXPECT_EQ(scroll->contentSize().height, tool->contentView()->bounds().size.height);
            EXPECT_EQ(scroll->contentOffset().y, 0);
            EXPECT_GT(scroll->indicatorFlashCount(), 0);
        }
    }
}

TEST_F(ToolScreensTest, LandscapeToolsFallBackToThePortraitLayouts) {
    core->screens().setOrientation(ui::OrientationLandscapeRight);
    auto tools = openTools();
    ASSERT_NE(tools, nullptr);
    EXPECT_EQ(tab<ScoreToolViewController>(0)->nibName(), "Scores_Portrait_Free");
    EXPECT_EQ(tab<MySettingsToolViewController>(1)->nibName(), "SettingsTool_Portrait");
    EXPECT_EQ(tab<ScoreToolViewController>(0)->loadError(), "");
    // A layout of our own for the orientation wins.
    writeFile(root / "ui" / "Scores_Landscape_Free.json", "{\"frame\": [0, 0, 480, 271]}");
    writeFile(root / "ui" / "Scores_Portrait_Free.json", "{\"frame\": [0, 0, 320, 387]}");
    platform::ui::InterfaceLoader::setSearchDirectory((root / "ui").string());
    // The app core made in landscape asks for the landscape files.
    auto contents = AppCoreBaseTestAccess::createToolsViewContents(*core);
    ASSERT_EQ(contents.size(), 3u);
    EXPECT_EQ(contents[0]->nibName(), "Scores_Landscape_Free");
    EXPECT_EQ(contents[1]->nibName(), "SettingsTool_Portrait");
}

}  // namespace

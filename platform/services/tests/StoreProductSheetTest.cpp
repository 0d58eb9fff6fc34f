#include "platform/services/StoreProductSheet.h"

#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/services/StoreProductLookup.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"

namespace platform::services {
namespace {

using testing::ScreenshotCamera;

class Finisher : public StoreProductSheetDelegate {
  public:
    void productViewControllerDidFinish(StoreProductSheet& sheet) override {
        ++finished;
        sheet.dismissViewController(true);
    }
    int finished = 0;
};

class StoreProductSheetTest : public ::testing::Test {
  protected:
    StoreProductSheetTest() {
        window->setRootViewController(root);
        root->view()->setBackgroundColor(Color::black());
    }

    gfx::Image shoot(const std::string& name) {
        std::string error;
        auto image = camera.shoot(*window, name, &error);
        EXPECT_EQ(error, "");
        return image;
    }

    MainLoopTestScope loop;
    platform::testing::PlatformStateScope platformState;
    std::shared_ptr<ui::Window> window = ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<ui::ViewController> root = ui::ViewController::create();
    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
};

TEST_F(StoreProductSheetTest, ShowsTheLookupsAnswerAndDoneGoesToTheDelegate) {
    ASSERT_TRUE(camera.isReady()) << cameraError;
    // The store's answer is held back until the loading page has been photographed.
    StoreProductLookup::Completion held;
    std::int64_t asked = 0;
    StoreProductLookup::setScriptForTesting([&](std::int64_t id, StoreProductLookup::Completion c) {
        asked = id;
        held = std::move(c);
    });
    auto sheet = StoreProductSheet::create();
    std::vector<std::pair<bool, std::string>> loads;
    sheet->loadProduct(123, [&](bool loaded, const std::optional<Error>& error) {
        loads.emplace_back(loaded, error ? error->localizedDescription() : "");
    });
    ASSERT_TRUE(root->presentViewController(sheet, true));
    loop.advance(1);
    EXPECT_EQ(sheet->titleLabel()->text(), "Store");
    EXPECT_EQ(sheet->rightButton()->currentTitle(), "Done");
    EXPECT_EQ(sheet->headline(), "Loading product 123\u2026");
    EXPECT_TRUE(loads.empty());
    auto loading = shoot("store_sheet_loading.png");

    ASSERT_TRUE(held);
    StoreProductLookup::answer(asked, held);
    EXPECT_EQ(sheet->headline(), "Product 123");
    EXPECT_EQ(sheet->detail(),
              "This computer has no app store; this page stands in for the product's page.");
    EXPECT_EQ(loads, (std::vector<std::pair<bool, std::string>>{{true, ""}}));
    auto loaded = shoot("store_sheet.png");
    // The bar across the top, the white page below it, the product's tile on the page.
    auto bar = ScreenshotCamera::rgb(loaded, 160, 30);
    EXPECT_LT(bar[0], bar[2]);
    auto page = ScreenshotCamera::rgb(loaded, 160, 400);
    EXPECT_GT(page[0] + page[1] + page[2], 3 * 240);
    auto tile = ScreenshotCamera::rgb(loaded, 40, 100);
    EXPECT_GT(tile[2], tile[0] + 60);
    // The page changed when the product arrived.
    EXPECT_NE(loading.rgba(), loaded.rgba());

    // Done: the delegate decides, and here dismisses.
    auto finisher = std::make_shared<Finisher>();
    sheet->setDelegate(finisher);
    sheet->rightButton()->tap();
    EXPECT_EQ(finisher->finished, 1);
    loop.advance(1);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(StoreProductSheetTest, FailuresAndReplacedLoadsAndNoDelegate) {
    auto sheet = StoreProductSheet::create();
    std::vector<std::string> outcomes;
    auto record = [&](bool loaded, const std::optional<Error>& error) {
        outcomes.push_back(loaded ? "loaded" : error->localizedDescription());
    };
    sheet->loadProduct(0, record);
    loop.runUntilIdle();
    EXPECT_EQ(sheet->headline(), "No product 0.");
    EXPECT_EQ(sheet->detail(), "");
    EXPECT_EQ(outcomes, (std::vector<std::string>{"No product 0."}));

    // A second load replaces the first: only the later answer counts.
    StoreProductLookup::Completion first;
    StoreProductLookup::setScriptForTesting([&](std::int64_t id, StoreProductLookup::Completion c) {
        if (id == 1)
            first = std::move(c);
        else
            StoreProductLookup::answer(id, c);
    });
    sheet->loadProduct(1, record);
    sheet->loadProduct(2, record);
    loop.runUntilIdle();
    ASSERT_TRUE(first);
    first(StoreProduct{1, "Product 1"}, std::nullopt);
    EXPECT_EQ(sheet->headline(), "Product 2");
    EXPECT_EQ(outcomes, (std::vector<std::string>{"No product 0.", "loaded"}));

    // A sheet that is gone before the answer hears nothing, and nothing breaks.
    sheet->loadProduct(3, record);
    sheet.reset();
    loop.runUntilIdle();
    EXPECT_EQ(outcomes.size(), 2u);

    // Without a delegate, Done closes the sheet itself.
    auto lone = StoreProductSheet::create();
    ASSERT_TRUE(root->presentViewController(lone, false));
    loop.runUntilIdle();
    lone->rightButton()->tap();
    loop.advance(1);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

}  // namespace
}  // namespace platform::services

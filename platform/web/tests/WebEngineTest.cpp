// Finding the engine module, and web views when it cannot be opened: they exist, and every load
// and script fails at once instead of waiting for an engine that never comes.

#include "platform/web/WebEngine.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/testing/TempDir.h"
#include "platform/web/RecordingWebViewDelegate.h"
#include "platform/web/WebView.h"

using namespace platform;
using namespace platform::web;

namespace {

constexpr const char* kVariable = "MOVU_TEST_ENGINE_DIR";

void touch(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

TEST(WebEngineTest, TheVariableDecidesAloneElseTheBuildFolderIsTheLastPlace) {
    const platform::testing::TempDir dir;
    const auto withFile = dir.path() / "with";
    const auto without = dir.path() / "without";
    touch(withFile / "engine.so");
    std::filesystem::create_directories(without);

    ::setenv(kVariable, withFile.c_str(), 1);
    EXPECT_EQ(findBesideProgram(kVariable, "nowhere", without.string(), "engine.so"),
              withFile.string());
    // Set but without the file: the other places are not asked.
    ::setenv(kVariable, without.c_str(), 1);
    EXPECT_EQ(findBesideProgram(kVariable, "nowhere", withFile.string(), "engine.so"), "");

    ::unsetenv(kVariable);
    // Beside the program before the build folder.
    const std::string folder = "engine-test-" + std::to_string(::getpid());
    const auto beside = std::filesystem::read_symlink("/proc/self/exe").parent_path() / folder;
    touch(beside / "engine.so");
    EXPECT_EQ(findBesideProgram(kVariable, folder.c_str(), withFile.string(), "engine.so"),
              beside.string());
    std::filesystem::remove_all(beside);
    EXPECT_EQ(findBesideProgram(kVariable, "nowhere", withFile.string(), "engine.so"),
              withFile.string());
    EXPECT_EQ(findBesideProgram(kVariable, "nowhere", without.string(), "engine.so"), "");
    EXPECT_EQ(findBesideProgram(kVariable, "nowhere", "", "engine.so"), "");
}

TEST(WebEngineTest, WithoutTheModuleLoadsAndScriptsFailAtOnce) {
    MainLoopTestScope loop;
    const platform::testing::TempDir empty;
    ::setenv("MOVUROUTE_WEB_ENGINE_DIR", empty.path().c_str(), 1);

    auto delegate = std::make_shared<RecordingWebViewDelegate>();
    auto view = WebView::create({320, 50});
    view->setDelegate(delegate);
    view->loadHTMLString("<p>ad</p>", *Url::parse("http://ads.example/"));
    std::optional<Error> scriptError;
    view->evaluateJavaScript("1 + 1", [&](const std::string&, const std::optional<Error>& error) {
        scriptError = error;
    });
    // A picture asked of a view without an engine is answered, with nothing.
    std::vector<std::optional<WebSnapshot>> pictures;
    view->takeSnapshot([&](std::optional<WebSnapshot> picture) { pictures.push_back(picture); });
    loop.runUntilIdle();
    ::unsetenv("MOVUROUTE_WEB_ENGINE_DIR");

    EXPECT_FALSE(WebEngine::isReady());
    EXPECT_EQ(delegate->count("fail " + std::to_string(kWebViewErrorNoDisplay)), 1);
    EXPECT_EQ(delegate->count("finish"), 0);
    ASSERT_TRUE(scriptError);
    EXPECT_EQ(scriptError->code, kWebViewErrorNoDisplay);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_FALSE(pictures[0]);
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("1 + 1"), "");
    EXPECT_TRUE(view->paintedFrame().empty());
}

// The module takes our own code from the program; a program that links only this library must
// still hold all of it, or the module would not open.
TEST(WebEngineTest, TheModuleFindsEverythingItTakesFromTheProgram) {
    const std::string path = std::string(MOVU_BINARY_DIR) + "/webengine/" + kWebEngineFileName;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(handle, nullptr) << dlerror();
    EXPECT_NE(dlsym(handle, kWebEngineEntryPoint), nullptr);
}

}  // namespace

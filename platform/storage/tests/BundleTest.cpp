#include "platform/storage/Bundle.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/base/LogSink.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/PropertyList.h"
#include "platform/testing/TempDir.h"

using namespace platform;
using platform::testing::ScopedEnv;
using platform::testing::TempDir;

namespace {
void touch(const std::filesystem::path& p) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p) << "x";
}
}  // namespace

TEST(BundleTest, InfoDictionaryAndResources) {
    TempDir dir;
    auto root = dir / "bundle";
    std::filesystem::create_directories(root);
    ASSERT_TRUE(
        PropertyList::writeFile(root / "Info.plist",
                                Value::dictionary({{"CFBundleIdentifier", "com.zivivu.movuroute"},
                                                   {"CFBundleShortVersionString", "1.2"}}),
                                PropertyListFormat::Xml));
    touch(root / "circle.png");
    touch(root / "ui" / "Title_Portrait.json");
    touch(root / "Base.lproj" / "AboutMessage.txt");
    touch(dir / "secret.txt");

    Bundle bundle(root);
    EXPECT_EQ(bundle.bundleIdentifier(), "com.zivivu.movuroute");
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleShortVersionString"), Value("1.2"));
    EXPECT_TRUE(bundle.objectForInfoDictionaryKey("missing").isNull());

    EXPECT_EQ(bundle.pathForResource("circle", "png"), root / "circle.png");
    EXPECT_EQ(bundle.pathForResource("circle", ".png"), root / "circle.png");
    EXPECT_EQ(bundle.pathForResource("circle.png", ""), root / "circle.png");
    EXPECT_EQ(bundle.pathForResource("Title_Portrait", "json", "ui"),
              root / "ui" / "Title_Portrait.json");
    EXPECT_EQ(bundle.pathForResource("AboutMessage", "txt"),
              root / "Base.lproj" / "AboutMessage.txt");
    EXPECT_FALSE(bundle.pathForResource("circle", "jpg"));
    EXPECT_FALSE(bundle.pathForResource("", "png"));
    // Nothing outside the bundle is reachable through a resource name.
    EXPECT_FALSE(bundle.pathForResource("../secret", "txt"));
    EXPECT_FALSE(bundle.pathForResource("secret", "txt", ".."));
    EXPECT_FALSE(bundle.pathForResource((dir / "secret").string(), "txt"));
}

TEST(BundleTest, MissingOrDamagedInfoPlistGivesAnEmptyDictionary) {
    TempDir dir;
    EXPECT_EQ(Bundle(dir.path()).infoDictionary(), Value::dictionary());
    ASSERT_TRUE(AtomicFile::write(dir / "Info.plist", "<plist><dict><key>a</key>"));
    LogSink::Capture log;
    Bundle damaged(dir.path());
    EXPECT_EQ(damaged.infoDictionary(), Value::dictionary());
    EXPECT_EQ(damaged.bundleIdentifier(), "");
    EXPECT_TRUE(log.contains("Info.plist"));
}

TEST(BundleTest, MainBundleOverridesInOrder) {
    TempDir dir;
    {
        ScopedEnv env("MOVUROUTE_BUNDLE", std::nullopt);
        // Beside the test program: the build's copy of the assets, when it has been made.
        auto built = std::filesystem::path(MOVU_BINARY_DIR) / "bundle";
        if (std::filesystem::is_directory(built)) {
            EXPECT_EQ(Bundle::defaultMainBundlePath(), built);
        }
    }
    ScopedEnv env("MOVUROUTE_BUNDLE", (dir / "fromEnv").string());
    EXPECT_EQ(Bundle::mainBundle()->bundlePath(), dir / "fromEnv");
    auto first = Bundle::mainBundle();
    EXPECT_EQ(Bundle::mainBundle(), first);  // same path, same instance

    Bundle::setMainBundlePath(dir / "set");
    EXPECT_EQ(Bundle::mainBundle()->bundlePath(), dir / "set");
    EXPECT_EQ(first->bundlePath(), dir / "fromEnv");  // holders keep what they had
    Bundle::setMainBundlePath(std::nullopt);
    EXPECT_EQ(Bundle::mainBundle()->bundlePath(), dir / "fromEnv");
}

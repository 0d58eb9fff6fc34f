#include "platform/storage/UserDefaults.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "platform/base/LogSink.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/Bundle.h"
#include "platform/storage/PropertyList.h"
#include "platform/testing/TempDir.h"

using namespace platform;
using platform::testing::ScopedEnv;
using platform::testing::TempDir;

TEST(UserDefaultsTest, AbsentIsNotFalseNorEmpty) {
    TempDir dir;
    UserDefaults defaults(dir / "prefs.plist");
    EXPECT_FALSE(defaults.objectForKey("flag"));
    EXPECT_FALSE(defaults.hasKey("flag"));
    EXPECT_FALSE(defaults.boolForKey("flag"));
    EXPECT_FALSE(defaults.stringForKey("name"));

    defaults.setBool("flag", false);
    defaults.setString("name", "");
    EXPECT_TRUE(defaults.hasKey("flag"));
    EXPECT_EQ(defaults.objectForKey("flag"), Value(false));
    EXPECT_EQ(defaults.stringForKey("name"), std::string());

    // Setting null removes, as setting nil did.
    EXPECT_TRUE(defaults.setObject("flag", Value()));
    EXPECT_FALSE(defaults.hasKey("flag"));
    defaults.removeObjectForKey("name");
    EXPECT_FALSE(defaults.hasKey("name"));
}

TEST(UserDefaultsTest, TypedReadsConvertNumbersAndTexts) {
    TempDir dir;
    UserDefaults d(dir / "prefs.plist");
    d.setObject("yesText", Value("YES"));
    d.setObject("trueText", Value("true"));
    d.setObject("numText", Value("12abc"));
    d.setObject("zeroText", Value("0"));
    d.setObject("real", Value(2.75));
    d.setObject("list", Value::array({1, "a"}));
    d.setObject("dict", Value::dictionary({{"k", 1}}));
    d.setObject("data", Value(Value::Bytes{1, 2}));
    EXPECT_TRUE(d.boolForKey("yesText"));
    EXPECT_TRUE(d.boolForKey("trueText"));
    EXPECT_TRUE(d.boolForKey("numText"));
    EXPECT_FALSE(d.boolForKey("zeroText"));
    EXPECT_TRUE(d.boolForKey("real"));
    EXPECT_EQ(d.integerForKey("numText"), 12);
    EXPECT_EQ(d.integerForKey("real"), 2);
    EXPECT_DOUBLE_EQ(d.doubleForKey("numText"), 12.0);
    EXPECT_EQ(d.stringForKey("real"), "2.75");
    EXPECT_EQ(d.arrayForKey("list")->size(), 2u);
    EXPECT_EQ(d.dictionaryForKey("dict")->at("k"), Value(1));
    EXPECT_EQ(d.dataForKey("data"), (Value::Bytes{1, 2}));
    // The wrong type reads as nothing.
    EXPECT_FALSE(d.arrayForKey("dict"));
    EXPECT_FALSE(d.dataForKey("list"));
    EXPECT_FALSE(d.stringForKey("list"));
    EXPECT_EQ(d.integerForKey("list"), 0);
    EXPECT_FALSE(d.boolForKey("dict"));
    // Texts read by the program's one number rule: decimal only, '.' whatever the locale.
    d.setObject("hexText", Value("0x10"));
    d.setObject("spacedReal", Value("  -2.5e1kg"));
    d.setObject("infText", Value("inf"));
    EXPECT_EQ(d.doubleForKey("hexText"), 0.0);
    EXPECT_EQ(d.integerForKey("hexText"), 0);
    EXPECT_FALSE(d.boolForKey("hexText"));
    EXPECT_DOUBLE_EQ(d.doubleForKey("spacedReal"), -25.0);
    EXPECT_EQ(d.integerForKey("spacedReal"), -2);
    EXPECT_EQ(d.doubleForKey("infText"), 0.0);
}

TEST(UserDefaultsTest, PersistsAcrossInstancesAndKeepsRegisteredDefaultsOut) {
    TempDir dir;
    auto file = dir / "Library" / "Preferences" / "com.example.plist";
    {
        UserDefaults d(file);
        d.registerDefaults({{"volume", 2}, {"music", true}});
        EXPECT_EQ(d.integerForKey("volume"), 2);
        d.setInteger("volume", 3);
        d.setObject("/zivivu/ads/retry_group_keys", Value::array({"a", "b"}));
        d.setObject("when", Value(Date{1700000000}));
        Error error;
        ASSERT_TRUE(d.synchronize(&error)) << error.description();
        d.setString("late", "written when the instance ends");
        // Unstorable values are refused and do not spoil later saves.
        LogSink::Capture log;
        EXPECT_FALSE(d.setObject("bad", Value::array({Value()})));
        EXPECT_TRUE(log.contains("refused a value for \"bad\""));
        EXPECT_FALSE(d.setObject("broken key \xff", Value(1)));
        EXPECT_FALSE(d.hasKey("bad"));
    }
    auto stored = PropertyList::readFile(file);
    ASSERT_TRUE(stored);
    EXPECT_EQ(AtomicFile::read(file)->substr(0, 8), "bplist00");
    EXPECT_FALSE(stored->contains("music"));

    UserDefaults again(file);
    EXPECT_EQ(again.integerForKey("volume"), 3);
    EXPECT_EQ(again.objectForKey("/zivivu/ads/retry_group_keys"), Value::array({"a", "b"}));
    EXPECT_EQ(again.objectForKey("when"), Value(Date{1700000000}));
    EXPECT_EQ(again.stringForKey("late"), "written when the instance ends");
    EXPECT_FALSE(again.hasKey("music"));
    EXPECT_FALSE(again.loadError());
}

TEST(UserDefaultsTest, DamagedFileIsKeptAsideAndReported) {
    TempDir dir;
    auto file = dir / "prefs.plist";
    const std::string damaged = "bplist00 this is not what it claims to be";
    ASSERT_TRUE(AtomicFile::write(file, damaged));
    LogSink::Capture log;
    {
        UserDefaults d(file);
        EXPECT_FALSE(d.hasKey("anything"));
        ASSERT_TRUE(d.loadError());
        d.setInteger("fresh", 1);
        EXPECT_TRUE(d.synchronize());
    }
    EXPECT_TRUE(log.contains("damaged"));
    bool keptAside = false;
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename().string().rfind("prefs.plist.corrupt-", 0) == 0)
            keptAside = AtomicFile::read(e.path()) == damaged;
    EXPECT_TRUE(keptAside);
    EXPECT_EQ(UserDefaults(file).integerForKey("fresh"), 1);

    // A root that is no dictionary counts as damage too.
    ASSERT_TRUE(PropertyList::writeFile(dir / "array.plist", Value::array({1})));
    EXPECT_TRUE(UserDefaults(dir / "array.plist").loadError());

    // Unreadable for another reason: it may hold good data, so it is never written over.
    std::filesystem::create_directory(dir / "folder.plist");
    UserDefaults blocked(dir / "folder.plist");
    blocked.setInteger("x", 1);
    Error error;
    EXPECT_FALSE(blocked.synchronize(&error));
    EXPECT_NE(error.localizedDescription().find("kept as it is"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.plist"));

    // A FIFO where the file should be can never be read: damage, moved aside, not a reason
    // to stop saving for good.
    ASSERT_EQ(::mkfifo((dir / "fifo.plist").c_str(), 0600), 0);
    {
        UserDefaults d(dir / "fifo.plist");
        ASSERT_TRUE(d.loadError());
        d.setInteger("fresh", 2);
        EXPECT_TRUE(d.synchronize());
    }
    EXPECT_EQ(UserDefaults(dir / "fifo.plist").integerForKey("fresh"), 2);
}

TEST(UserDefaultsTest, AFileOfHundredsOfMegabytesIsMovedAsideUnread) {
    TempDir dir;
    auto file = dir / "prefs.plist";
    // A valid start, then 200 MB of holes: nothing of it needs reading to be refused.
    auto valid =
        PropertyList::serialize(Value::dictionary({{"kept", 1}}), PropertyListFormat::Binary);
    ASSERT_TRUE(valid);
    ASSERT_TRUE(AtomicFile::write(file, *valid));
    const off_t huge = 200LL * 1024 * 1024;
    ASSERT_EQ(::truncate(file.c_str(), huge), 0);
    LogSink::Capture log;
    {
        UserDefaults d(file);
        EXPECT_FALSE(d.hasKey("kept"));
        ASSERT_TRUE(d.loadError());
        d.setInteger("fresh", 1);
        EXPECT_TRUE(d.synchronize());
    }
    // Refused for its size, before a byte of it was read or parsed.
    EXPECT_TRUE(log.contains("too large")) << log.count();
    EXPECT_TRUE(log.contains("kept as")) << log.count();
    std::optional<std::filesystem::path> aside;
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename().string().rfind("prefs.plist.corrupt-", 0) == 0) aside = e.path();
    ASSERT_TRUE(aside);
    EXPECT_EQ(std::filesystem::file_size(*aside), static_cast<std::uintmax_t>(huge));
    // What replaced it is the small file of this run, not the big one written back.
    EXPECT_LT(std::filesystem::file_size(file), 1024u);
    EXPECT_EQ(UserDefaults(file).integerForKey("fresh"), 1);
}

TEST(UserDefaultsTest, PreferencesBeyondTheLimitAreNotSaved) {
    TempDir dir;
    auto file = dir / "prefs.plist";
    UserDefaults d(file);
    d.setInteger("small", 1);
    ASSERT_TRUE(d.synchronize());
    d.setObject("huge", Value(Value::Bytes(UserDefaults::kMaxFileBytes + 1, 0x5a)));
    LogSink::Capture log;
    Error error;
    // Saved, it would be moved aside at the next start, and all of it lost.
    EXPECT_FALSE(d.synchronize(&error));
    EXPECT_NE(error.localizedDescription().find("more than"), std::string::npos)
        << error.localizedDescription();
    EXPECT_TRUE(log.contains("cannot save"));
    EXPECT_EQ(UserDefaults(file).integerForKey("small"), 1);
    EXPECT_FALSE(UserDefaults(file).hasKey("huge"));
    d.removeObjectForKey("huge");
    EXPECT_TRUE(d.synchronize());
}

namespace {
mode_t fileMode(const std::filesystem::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}
}  // namespace

TEST(UserDefaultsTest, FileIsPrivateToTheUserAlsoWhenAnOlderOneWasNot) {
    TempDir dir;
    auto file = dir / "prefs.plist";
    ASSERT_TRUE(PropertyList::writeFile(file, Value::dictionary({{"kept", 1}})));
    ASSERT_EQ(fileMode(file), 0644u);
    {
        UserDefaults d(file);
        d.setString("token", "secret");
        ASSERT_TRUE(d.synchronize());
        EXPECT_EQ(fileMode(file), 0600u);
        d.setString("token", "renewed");
    }
    // The save at the instance's end is private too.
    EXPECT_EQ(fileMode(file), 0600u);
    UserDefaults again(file);
    EXPECT_EQ(again.integerForKey("kept"), 1);
    EXPECT_EQ(again.stringForKey("token"), "renewed");
}

TEST(UserDefaultsTest, ConcurrentWritersAndReaders) {
    TempDir dir;
    UserDefaults d(dir / "prefs.plist");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&d, t] {
            for (int i = 0; i < 50; ++i) {
                d.setInteger("k" + std::to_string(t) + "_" + std::to_string(i), i);
                (void)d.integerForKey("k0_0");
                if (i % 10 == 0) d.synchronize();
            }
        });
    }
    for (auto& th : threads) th.join();
    ASSERT_TRUE(d.synchronize());
    UserDefaults again(dir / "prefs.plist");
    EXPECT_EQ(again.dictionaryRepresentation().size(), 200u + UserDefaults::globalDomain().size());
    EXPECT_EQ(again.integerForKey("k3_49"), 49);
}

TEST(UserDefaultsTest, StandardInstanceLivesUnderLibraryPreferences) {
    TempDir dir;
    ScopedEnv home("MOVUROUTE_HOME", (dir / "home").string());
    std::filesystem::create_directory(dir / "bundle");
    ASSERT_TRUE(
        PropertyList::writeFile(dir / "bundle" / "Info.plist",
                                Value::dictionary({{"CFBundleIdentifier", "com.zivivu.movuroute"}}),
                                PropertyListFormat::Xml));
    Bundle::setMainBundlePath(dir / "bundle");
    UserDefaults::resetStandardForTesting();

    UserDefaults::standard().setBool("seen", true);
    EXPECT_TRUE(UserDefaults::standard().synchronize());
    auto expected = dir / "home" / "Library" / "Preferences" / "com.zivivu.movuroute.plist";
    EXPECT_EQ(UserDefaults::standard().filePath(), expected);
    EXPECT_EQ(PropertyList::readFile(expected), Value::dictionary({{"seen", true}}));

    Bundle::setMainBundlePath(std::nullopt);
    UserDefaults::resetStandardForTesting();
}

TEST(UserDefaultsTest, LanguagesComeFromTheLocaleUnlessSet) {
    TempDir dir;
    ScopedEnv all("LC_ALL", std::nullopt);
    ScopedEnv messages("LC_MESSAGES", std::nullopt);
    ScopedEnv lang("LANG", "de_DE.UTF-8");
    ScopedEnv language("LANGUAGE", "fr_CH:de:fr_CH");
    UserDefaults d(dir / "prefs.plist");
    EXPECT_EQ(d.objectForKey("AppleLanguages"), Value::array({"fr-CH", "de"}));
    EXPECT_EQ(d.stringForKey("AppleLocale"), "de_DE");
    {
        // The C locale ignores LANGUAGE, as the C library does.
        ScopedEnv c("LC_ALL", "C.UTF-8");
        EXPECT_EQ(d.objectForKey("AppleLanguages"), Value::array({"en"}));
        EXPECT_EQ(d.stringForKey("AppleLocale"), "en_US");
    }
    d.setObject("AppleLanguages", Value::array({"ja"}));
    EXPECT_EQ(d.objectForKey("AppleLanguages"), Value::array({"ja"}));
    ASSERT_TRUE(d.synchronize());
    // Only what was set is written.
    EXPECT_EQ(UserDefaults(dir / "prefs.plist").dictionaryRepresentation().get("AppleLocale"),
              Value("de_DE"));
    EXPECT_EQ(PropertyList::readFile(dir / "prefs.plist"),
              Value::dictionary({{"AppleLanguages", Value::array({"ja"})}}));
}

TEST(UserDefaultsTest, StandardInstanceSavesAtNormalExit) {
    TempDir dir;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("MOVUROUTE_HOME", (dir / "home").c_str(), 1);
        Bundle::setMainBundlePath(dir / "no-bundle");
        UserDefaults::resetStandardForTesting();
        UserDefaults::standard().setString("/zivivu/ads/as_domains", "example.invalid");
        std::exit(0);  // no synchronize: the exit must save
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    auto saved = dir / "home" / "Library" / "Preferences" / "movuroute.plist";
    EXPECT_EQ(PropertyList::readFile(saved),
              Value::dictionary({{"/zivivu/ads/as_domains", "example.invalid"}}));
    EXPECT_EQ(fileMode(saved), 0600u);
}

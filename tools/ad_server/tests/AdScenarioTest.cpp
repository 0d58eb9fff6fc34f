// Scenarios and the program's options read from text: what a person types must either mean
// exactly one thing or be refused with a reason.

#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include "tools/ad_server/AdScenario.h"
#include "tools/ad_server/ServerCommandLine.h"

namespace {

using namespace tools::adserver;

TEST(AdScenarioTest, ReadsKindsAndOptions) {
    auto s = parseAdScenario(
        "banner,refresh=12.5,size=300x250,debug=hello there,color=#abc,"
        "orientation=portrait,scenario=offline_buffer,autoclick,reload,"
        "manual,header=x-rade-fluid:height,answer=fetch");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->kind, AdKind::Banner);
    EXPECT_EQ(s->answer, PageAnswer::FetchedAd);
    EXPECT_EQ(s->refreshRate, 12.5);
    EXPECT_EQ(s->adSize, "300x250");
    EXPECT_EQ(s->debugDialog, "hello there");
    EXPECT_EQ(s->color, "#abc");
    EXPECT_EQ(s->orientation, "portrait");
    EXPECT_EQ(s->requestScenario, "offline_buffer");
    EXPECT_TRUE(s->autoClickProtection && s->requestReload && s->manualImpressions);
    EXPECT_TRUE(s->activeViewSettings);
    EXPECT_FALSE(parseAdScenario("mraid-record-late,noactiveview")->activeViewSettings);
    EXPECT_FALSE(parseAdScenario("banner,noactiveview=1"));
    ASSERT_EQ(s->extraHeaders.size(), 1u);
    EXPECT_EQ(s->extraHeaders[0], (std::pair<std::string, std::string>{"x-rade-fluid", "height"}));
    EXPECT_FALSE(s->stall);

    EXPECT_EQ(parseAdScenario("status:404")->status, 404);
    EXPECT_EQ(parseAdScenario("status:404")->kind, AdKind::HttpStatus);
    EXPECT_EQ(parseAdScenario("script")->answer, PageAnswer::FetchedAd);  // only an object says so
    EXPECT_EQ(parseAdScenario("nofill,refresh=30")->refreshRate, 30.0);
    EXPECT_TRUE(parseAdScenario("interstitial,stall")->stall);
    EXPECT_EQ(parseAdScenario("mediation,answer=refused")->answer, PageAnswer::RefusedAdUrl);
    EXPECT_EQ(parseAdScenario("links")->kind, AdKind::Links);
    // Script ads: how they end, and when.
    EXPECT_EQ(parseAdScenario("script")->scriptEnding, ScriptEnding::Draw);
    EXPECT_EQ(parseAdScenario("script,passback")->scriptEnding, ScriptEnding::Passback);
    EXPECT_EQ(parseAdScenario("script,passback-scheme")->scriptEnding,
              ScriptEnding::PassbackScheme);
    const auto never = parseAdScenario("script,never,delay=1.5");
    EXPECT_EQ(never->scriptEnding, ScriptEnding::Never);
    EXPECT_EQ(never->scriptDelay, 1.5);
    const auto mediated = parseAdScenario("mediation,adapter=A,adapter=B,timeout=250");
    EXPECT_EQ(mediated->mediationAdapters, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(mediated->mediationTimeoutMillis, 250);
    EXPECT_FALSE(mediated->mediationDefaultPings);
    EXPECT_TRUE(mediated->mediationPubId.empty());
    EXPECT_EQ(parseAdScenario("mediation,pubid=ca-inner")->mediationPubId, "ca-inner");
    EXPECT_TRUE(parseAdScenario("mediation,defaultpings")->mediationDefaultPings);
    EXPECT_EQ(parseAdScenario("precache")->kind, AdKind::Precache);
    EXPECT_FALSE(parseAdScenario("precache")->precachePlays);
    EXPECT_TRUE(parseAdScenario("precache,play")->precachePlays);
    EXPECT_FALSE(parseAdScenario("precache,play=1"));
    EXPECT_EQ(adKindName(AdKind::Precache), "precache");
    auto native = parseAdScenario("native,template=3,image=undecodable");
    ASSERT_TRUE(native);
    EXPECT_EQ(native->nativeTemplate, 3);
    EXPECT_EQ(native->nativeImage, NativeImage::Undecodable);
    EXPECT_EQ(parseAdScenario("native")->nativeTemplate, 1);
    EXPECT_EQ(parseAdScenario("purchase")->productId, "coins");
    EXPECT_EQ(parseAdScenario("purchase,product=gems")->kind, AdKind::Purchase);
    EXPECT_EQ(parseAdScenario("purchase,product=gems")->productId, "gems");
    EXPECT_FALSE(parseAdScenario("purchase,product"));
    EXPECT_EQ(parseAdScenario("banner")->hostility, Hostility::None);
    EXPECT_EQ(parseAdScenario("interstitial,hostile=spin")->hostility, Hostility::Spin);
    EXPECT_EQ(parseAdScenario("banner,hostile=file-frame")->hostility, Hostility::FileFrame);
    // Every creative's name leads back to it, and no two share one.
    EXPECT_EQ(hostilityNamed(hostilityName(Hostility::None)), Hostility::None);
    std::set<Hostility> named{Hostility::None};
    for (std::string_view name : hostilityNames()) {
        auto h = hostilityNamed(name);
        ASSERT_TRUE(h) << name;
        EXPECT_EQ(hostilityName(*h), name);
        EXPECT_TRUE(named.insert(*h).second) << name;
    }
    EXPECT_EQ(parseAdScenario("interstitial,hostile=endless-attachment")->hostility,
              Hostility::EndlessAttachment);
    auto flood = parseAdScenario("banner,answer=flood,flood=12,flood-bytes=4096");
    ASSERT_TRUE(flood);
    EXPECT_EQ(flood->answer, PageAnswer::FetchFlood);
    EXPECT_EQ(flood->fetchFloodCount, 12);
    EXPECT_EQ(flood->fetchFloodBytes, 4096u);
    EXPECT_EQ(parseAdScenario("banner,answer=flood")->fetchFloodCount, 200);
}

TEST(AdScenarioTest, RefusesWhatItCannotReadWithAReason) {
    for (const char* text : {"",
                             "bananas",
                             "banner,",
                             "banner,,reload",
                             "status:99",
                             "status:600",
                             "status:abc",
                             "banner,refresh=soon",
                             "banner,refresh=inf",
                             "banner,size=320",
                             "banner,size=ax50",
                             "banner,color=red",
                             "banner,color=#12345g",
                             "banner,answer=maybe",
                             "mediation,adapter=",
                             "mediation,timeout=0",
                             "mediation,pubid=",
                             "mediation,timeout=x",
                             "banner,header=novalue",
                             "banner,refresh",
                             "banner,autoclick=1",
                             "banner,unknown=1",
                             "script,delay",
                             "script,delay=soon",
                             "script,never=1",
                             "native,template=4",
                             "native,template=",
                             "native,image=gif",
                             "banner,hostile",
                             "banner,hostile=rude",
                             "banner,answer=flood,flood=0",
                             "banner,flood=10001",
                             "banner,flood-bytes=67108865",
                             "banner,flood-bytes=-1"}) {
        std::string error;
        EXPECT_FALSE(parseAdScenario(text, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(AdScenarioTest, ProgramOptions) {
    std::string error;
    auto line = parseServerCommandLine(
        {"--port", "8081", "--scenario", "ca-movu/1=interstitial", "--scenario",
         "b=nofill,refresh=20", "--default", "status:500", "--constant", "ping_interval=5",
         "--quiet", "--media-clip", "/tmp/clip.webm"},
        &error);
    ASSERT_TRUE(line) << error;
    EXPECT_EQ(line->port, 8081);
    ASSERT_EQ(line->units.size(), 2u);
    EXPECT_EQ(line->units[0].first, "ca-movu/1");
    EXPECT_EQ(line->units[0].second.kind, AdKind::Interstitial);
    EXPECT_EQ(line->units[1].second.refreshRate, 20.0);
    EXPECT_EQ(line->defaultScenario->status, 500);
    EXPECT_EQ(line->constants.at("ping_interval"), "5");
    EXPECT_TRUE(line->quiet);
    EXPECT_EQ(line->mediaClip, "/tmp/clip.webm");
    EXPECT_TRUE(parseServerCommandLine({"--help"})->help);

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--port"},
                                                {"--port", "70000"},
                                                {"--port", "-1"},
                                                {"--scenario", "nounit"},
                                                {"--scenario", "=banner"},
                                                {"--scenario", "u=bad"},
                                                {"--constant", "novalue"},
                                                {"--default", "banner,oops"},
                                                {"--media-clip"},
                                                {"--verbose"}}) {
        error.clear();
        EXPECT_FALSE(parseServerCommandLine(bad, &error)) << bad[0];
        EXPECT_FALSE(error.empty());
    }
}

// The usage text is what a person reads first: every kind the parser takes is named there and
// parses, and every option word it names is one the parser takes.
TEST(AdScenarioTest, TheUsageNamesEveryKindAndOnlyOptionsThatParse) {
    const std::string usage = serverUsage();
    for (std::string kind : adKindNames()) {
        EXPECT_NE(usage.find(" " + kind), std::string::npos) << kind;
        if (kind == "status:<code>") kind = "status:404";
        EXPECT_TRUE(parseAdScenario(kind)) << kind;
    }
    const std::string options = usage.substr(usage.find("Options:"));
    for (const char* option : {"answer=fetch",  "refresh=3",     "size=320x50",
                               "debug=x",       "color=#ffffff", "orientation=portrait",
                               "scenario=x",    "autoclick",     "reload",
                               "manual",        "stall",         "header=a:b",
                               "noactiveview",  "passback",      "passback-scheme",
                               "never",         "delay=1",       "adapter=X",
                               "timeout=5",     "defaultpings",  "pubid=u",
                               "entry-ad",      "template=2",    "image=missing",
                               "product=coins", "play",          "hostile=spin",
                               "answer=flood",  "flood=3",       "flood-bytes=10"}) {
        const std::string word(
            std::string_view(option).substr(0, std::string_view(option).find('=')));
        EXPECT_NE(options.find(" " + word), std::string::npos) << word;
        std::string error;
        EXPECT_TRUE(parseAdScenario(std::string("banner,") + option, &error)) << error;
    }
    for (std::string_view name : hostilityNames()) {
        EXPECT_NE(options.find(name), std::string::npos) << name;
        EXPECT_TRUE(parseAdScenario("banner,hostile=" + std::string(name))) << name;
    }
}

}  // namespace

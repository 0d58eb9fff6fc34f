// The web process's audio sink on its own, in this process, with GStreamer's autoaudiosink
// above it as the engine makes one (its child-added handler giving the sink it picks a client
// name and a stream role), playing a tone to the desktop's sound server of the test's own:
// readied, it reaches no server; played, the server hears the tone with what the engine
// asked, and what is set later reaches the device's sink too; nothing warns.

#include "platform/web/extension/HeldAudioSink.h"

#include <gst/gst.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/testing/PulseAudioServer.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TempDir.h"

namespace platform::web {
namespace {

using platform::testing::PulseAudioServer;

// GObject's and GStreamer's warnings and criticals while a test runs.
std::vector<std::string>& warnings() {
    static std::vector<std::string> heard;
    return heard;
}
void hearWarning(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer) {
    warnings().push_back(std::string(domain ? domain : "") + ": " + message);
}

// Every element inside `bin`, however deep, of the type named.
std::vector<GstElement*> elementsOfType(GstElement* bin, const char* type) {
    std::vector<GstElement*> found;
    GstIterator* children = gst_bin_iterate_recurse(GST_BIN(bin));
    GValue child = G_VALUE_INIT;
    while (gst_iterator_next(children, &child) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&child));
        if (std::string(G_OBJECT_TYPE_NAME(element)) == type) found.push_back(element);
        g_value_reset(&child);
    }
    g_value_unset(&child);
    gst_iterator_free(children);
    return found;
}

class HeldAudioSinkTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        gst_init(nullptr, nullptr);
        ASSERT_TRUE(registerHeldAudioSink());
    }

    void SetUp() override {
        ASSERT_FALSE(sound.address().empty()) << sound.log();
        for (const auto& [name, value] : sound.clientEnvironment())
            environment.push_back(
                std::make_unique<platform::testing::ScopedEnv>(name.c_str(), value));
        for (const char* domain : {"GLib-GObject", "GStreamer"}) {
            handlers.emplace_back(
                domain, g_log_set_handler(
                            domain, GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL),
                            hearWarning, nullptr));
        }
        warnings().clear();
        ASSERT_TRUE(sound.startRecording());
        // A tone, through autoaudiosink as the engine makes one for a page's sound.
        pipeline = gst_pipeline_new(nullptr);
        GstElement* tone = gst_element_factory_make("audiotestsrc", nullptr);
        GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
        sink = gst_element_factory_make("autoaudiosink", nullptr);
        ASSERT_TRUE(tone && convert && sink);
        g_object_set(tone, "freq", 440.0, "volume", 0.5, "is-live", TRUE, nullptr);
        g_signal_connect(sink, "child-added", G_CALLBACK(&asTheEngineDoes), nullptr);
        gst_bin_add_many(GST_BIN(pipeline), tone, convert, sink, nullptr);
        ASSERT_TRUE(gst_element_link_many(tone, convert, sink, nullptr));
    }

    void TearDown() override {
        if (pipeline) {
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
        }
        for (const auto& [domain, handler] : handlers) g_log_remove_handler(domain, handler);
    }

    static void asTheEngineDoes(GstChildProxy*, GObject* picked, gchar*, gpointer) {
        GObjectClass* type = G_OBJECT_GET_CLASS(picked);
        if (g_object_class_find_property(type, "stream-properties")) {
            GstStructure* properties = gst_structure_new("stream-properties", "media.role",
                                                         G_TYPE_STRING, "webaudio", nullptr);
            g_object_set(picked, "stream-properties", properties, nullptr);
            gst_structure_free(properties);
        }
        if (g_object_class_find_property(type, "client-name"))
            g_object_set(picked, "client-name", "the engine's client", nullptr);
    }

    double toneRecorded() const {
        return platform::testing::loudestToneShare(sound.recording(), 440,
                                                   PulseAudioServer::kRecordingRate);
    }

    platform::MainLoopTestScope scope;
    PulseAudioServer sound;
    std::vector<std::unique_ptr<platform::testing::ScopedEnv>> environment;
    std::vector<std::pair<const char*, guint>> handlers;
    GstElement* pipeline = nullptr;
    GstElement* sink = nullptr;
};

TEST_F(HeldAudioSinkTest, ReadiedItReachesNoServerAndPlayedItIsHeardWithWhatTheEngineAsked) {
    ASSERT_EQ(gst_element_set_state(pipeline, GST_STATE_READY), GST_STATE_CHANGE_SUCCESS);
    // autoaudiosink picked ours, which opened nothing.
    const auto held = elementsOfType(sink, "MovuHeldAudioSink");
    ASSERT_EQ(held.size(), 1u);
    EXPECT_TRUE(elementsOfType(sink, "GstPulseSink").empty());
    EXPECT_EQ(sound.connectionsByOthers(), 0) << sound.log();

    ASSERT_NE(gst_element_set_state(pipeline, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
    EXPECT_TRUE(platform::testing::runMainLoopUntil([&] { return toneRecorded() > 0.8; }))
        << toneRecorded() << "\n"
        << sound.log();
    const auto streams = sound.sinkInputs();
    ASSERT_EQ(streams.size(), 1u) << platform::testing::describe(streams);
    EXPECT_EQ(streams[0].process(), ::getpid());
    EXPECT_EQ(streams[0].value("media.role"), "webaudio");
    EXPECT_EQ(streams[0].value("application.name"), "the engine's client");
    EXPECT_GE(sound.connectionsByOthers(), 1);
    EXPECT_EQ(warnings(), std::vector<std::string>{});
    // autoaudiosink gave ours its offset and sync, and they reached the device's sink.
    const auto devices = elementsOfType(held[0], "GstPulseSink");
    ASSERT_EQ(devices.size(), 1u);
    gint64 offset = -1;
    gboolean sync = FALSE;
    g_object_get(devices[0], "ts-offset", &offset, "sync", &sync, nullptr);
    EXPECT_EQ(offset, 0);
    EXPECT_TRUE(sync);

    // Offsets as a pipeline's audio offset changes, and names, once the device is chosen.
    g_object_set(sink, "ts-offset", gint64{5 * GST_MSECOND}, nullptr);
    g_object_set(held[0], "client-name", "a later name", "sync", FALSE, nullptr);
    gchar* name = nullptr;
    g_object_get(devices[0], "ts-offset", &offset, "sync", &sync, "client-name", &name, nullptr);
    EXPECT_EQ(offset, gint64{5 * GST_MSECOND});
    EXPECT_FALSE(sync);
    EXPECT_STREQ(name, "a later name");
    g_free(name);
    g_object_get(held[0], "ts-offset", &offset, nullptr);
    EXPECT_EQ(offset, gint64{5 * GST_MSECOND});
    EXPECT_EQ(warnings(), std::vector<std::string>{});

    // Back to nothing: the device goes, and its stream with it.
    ASSERT_EQ(gst_element_set_state(pipeline, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
    EXPECT_TRUE(elementsOfType(sink, "GstPulseSink").empty());
    EXPECT_TRUE(platform::testing::runMainLoopUntil([&] { return sound.sinkInputs().empty(); }));
}

}  // namespace
}  // namespace platform::web

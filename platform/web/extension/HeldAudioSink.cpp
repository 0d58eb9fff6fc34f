#include "platform/web/extension/HeldAudioSink.h"

#include <gst/gst.h>

namespace {

struct HeldAudioSink {
    GstBin parent;
    GstPad* sink;
    // What follows is read and written under the object's lock, which is never held while a
    // GStreamer object is called: setting a property notifies up the object's parents, taking
    // each one's lock, and this sink is the grandparent of the device's sink.
    GstElement* real;
    gchar* clientName;
    GstStructure* streamProperties;
    gint64 tsOffset;
    gboolean sync;
    // Counts the settings, so one passing them on knows whether another came meanwhile.
    guint generation;
};
struct HeldAudioSinkClass {
    GstBinClass parent;
};

enum { kPropClientName = 1, kPropStreamProperties, kPropTsOffset, kPropSync };

GstBinClass* parentClass = nullptr;

// Set while this thread makes a real sink: autoaudiosink's choice then passes over this one,
// which it would otherwise pick again inside itself.
thread_local bool choosingRealSink = false;

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);

HeldAudioSink* heldOf(gpointer object) {
    return reinterpret_cast<HeldAudioSink*>(object);
}

// One look at what the engine asked of the sink it picked.
struct Settings {
    Settings() = default;
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;
    ~Settings() {
        g_free(clientName);
        if (streamProperties) gst_structure_free(streamProperties);
    }
    gchar* clientName = nullptr;
    GstStructure* streamProperties = nullptr;
    gint64 tsOffset = 0;
    gboolean sync = TRUE;
    guint generation = 0;
};

guint readSettings(HeldAudioSink* self, Settings& settings) {
    GST_OBJECT_LOCK(self);
    settings.clientName = g_strdup(self->clientName);
    settings.streamProperties =
        self->streamProperties ? gst_structure_copy(self->streamProperties) : nullptr;
    settings.tsOffset = self->tsOffset;
    settings.sync = self->sync;
    settings.generation = self->generation;
    GST_OBJECT_UNLOCK(self);
    return settings.generation;
}

bool changedSince(HeldAudioSink* self, guint generation) {
    GST_OBJECT_LOCK(self);
    const bool changed = self->generation != generation;
    GST_OBJECT_UNLOCK(self);
    return changed;
}

// Hands the settings on with `apply`, again while they changed meanwhile, so the last one set
// is the one that stays whichever thread set it. Answers the generation handed on.
template <class Apply>
guint passOn(HeldAudioSink* self, Apply&& apply) {
    for (;;) {
        Settings settings;
        const guint generation = readSettings(self, settings);
        apply(settings);
        if (!changedSince(self, generation)) return generation;
    }
}

// The client's name and the stream's role are the device's own (the sound server's sink has
// them); others have neither.
void setOnDevice(GObject* device, const Settings& settings) {
    GObjectClass* type = G_OBJECT_GET_CLASS(device);
    if (settings.clientName && g_object_class_find_property(type, "client-name"))
        g_object_set(device, "client-name", settings.clientName, nullptr);
    if (settings.streamProperties && g_object_class_find_property(type, "stream-properties"))
        g_object_set(device, "stream-properties", settings.streamProperties, nullptr);
}

// The timing ones go to autoaudiosink, which gives them to whichever device it picks.
void setOnChooser(GstElement* real, const Settings& settings) {
    g_object_set(real, "ts-offset", settings.tsOffset, "sync", settings.sync, nullptr);
}

void setOnReal(GstElement* real, const Settings& settings) {
    setOnChooser(real, settings);
    GstIterator* children = gst_bin_iterate_recurse(GST_BIN(real));
    GValue child = G_VALUE_INIT;
    for (bool done = false; !done;) {
        switch (gst_iterator_next(children, &child)) {
            case GST_ITERATOR_OK:
                setOnDevice(G_OBJECT(g_value_get_object(&child)), settings);
                g_value_reset(&child);
                break;
            case GST_ITERATOR_RESYNC:
                gst_iterator_resync(children);
                break;
            default:
                done = true;
        }
    }
    g_value_unset(&child);
    gst_iterator_free(children);
}

// The device autoaudiosink chose, as it joins: the engine's settings are handed to it.
void onDeviceAdded(GstChildProxy*, GObject* device, gchar*, gpointer data) {
    passOn(heldOf(data), [device](const Settings& settings) { setOnDevice(device, settings); });
}

bool makeRealSink(HeldAudioSink* self) {
    GstElement* real = gst_element_factory_make("autoaudiosink", nullptr);
    if (!real) return false;
    g_signal_connect(real, "child-added", G_CALLBACK(onDeviceAdded), self);
    const guint handedOn =
        passOn(self, [real](const Settings& settings) { setOnChooser(real, settings); });
    gst_bin_add(GST_BIN(self), real);
    choosingRealSink = true;
    const GstStateChangeReturn readied = gst_element_set_state(real, GST_STATE_READY);
    choosingRealSink = false;
    GstPad* pad = gst_element_get_static_pad(real, "sink");
    if (readied == GST_STATE_CHANGE_FAILURE || !pad ||
        !gst_ghost_pad_set_target(GST_GHOST_PAD(self->sink), pad)) {
        if (pad) gst_object_unref(pad);
        gst_element_set_state(real, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(self), real);
        return false;
    }
    gst_object_unref(pad);
    GST_OBJECT_LOCK(self);
    self->real = real;
    GST_OBJECT_UNLOCK(self);
    // A setting that came while it was made found no real sink to pass it on to.
    if (changedSince(self, handedOn))
        passOn(self, [real](const Settings& settings) { setOnReal(real, settings); });
    return true;
}

void dropRealSink(HeldAudioSink* self) {
    GST_OBJECT_LOCK(self);
    GstElement* real = self->real;
    self->real = nullptr;
    GST_OBJECT_UNLOCK(self);
    if (!real) return;
    gst_ghost_pad_set_target(GST_GHOST_PAD(self->sink), nullptr);
    gst_element_set_state(real, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(self), real);
}

GstStateChangeReturn changeState(GstElement* element, GstStateChange transition) {
    HeldAudioSink* self = heldOf(element);
    switch (transition) {
        case GST_STATE_CHANGE_NULL_TO_READY:
            if (choosingRealSink) return GST_STATE_CHANGE_FAILURE;
            break;
        case GST_STATE_CHANGE_READY_TO_PAUSED: {
            // Only this thread, the one changing the sink's state, makes or drops it.
            GST_OBJECT_LOCK(self);
            const bool made = self->real != nullptr;
            GST_OBJECT_UNLOCK(self);
            if (!made && !makeRealSink(self)) return GST_STATE_CHANGE_FAILURE;
            break;
        }
        default:
            break;
    }
    const GstStateChangeReturn result =
        GST_ELEMENT_CLASS(parentClass)->change_state(element, transition);
    if (transition == GST_STATE_CHANGE_READY_TO_NULL) dropRealSink(self);
    return result;
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    HeldAudioSink* self = heldOf(object);
    GST_OBJECT_LOCK(self);
    switch (id) {
        case kPropClientName:
            g_free(self->clientName);
            self->clientName = g_value_dup_string(value);
            break;
        case kPropStreamProperties:
            if (self->streamProperties) gst_structure_free(self->streamProperties);
            self->streamProperties = static_cast<GstStructure*>(g_value_dup_boxed(value));
            break;
        case kPropTsOffset:
            self->tsOffset = g_value_get_int64(value);
            break;
        case kPropSync:
            self->sync = g_value_get_boolean(value);
            break;
        default:
            GST_OBJECT_UNLOCK(self);
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
            return;
    }
    ++self->generation;
    GstElement* real = self->real ? GST_ELEMENT(gst_object_ref(self->real)) : nullptr;
    GST_OBJECT_UNLOCK(self);
    // Set after the real sink was made (as a pipeline's audio offset changes): handed on now.
    if (!real) return;
    passOn(self, [real](const Settings& settings) { setOnReal(real, settings); });
    gst_object_unref(real);
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    HeldAudioSink* self = heldOf(object);
    GST_OBJECT_LOCK(self);
    switch (id) {
        case kPropClientName:
            g_value_set_string(value, self->clientName);
            break;
        case kPropStreamProperties:
            g_value_set_boxed(value, self->streamProperties);
            break;
        case kPropTsOffset:
            g_value_set_int64(value, self->tsOffset);
            break;
        case kPropSync:
            g_value_set_boolean(value, self->sync);
            break;
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
    }
    GST_OBJECT_UNLOCK(self);
}

void finalize(GObject* object) {
    HeldAudioSink* self = heldOf(object);
    g_free(self->clientName);
    if (self->streamProperties) gst_structure_free(self->streamProperties);
    G_OBJECT_CLASS(parentClass)->finalize(object);
}

void init(GTypeInstance* instance, gpointer klass) {
    HeldAudioSink* self = heldOf(instance);
    self->sync = TRUE;
    self->sink = gst_ghost_pad_new_no_target_from_template(
        "sink", gst_element_class_get_pad_template(GST_ELEMENT_CLASS(klass), "sink"));
    gst_element_add_pad(GST_ELEMENT(self), self->sink);
    GST_OBJECT_FLAG_SET(self, GST_ELEMENT_FLAG_SINK);
}

void classInit(gpointer klass, gpointer) {
    parentClass = GST_BIN_CLASS(g_type_class_peek_parent(klass));
    auto* object = G_OBJECT_CLASS(klass);
    object->set_property = &setProperty;
    object->get_property = &getProperty;
    object->finalize = &finalize;
    g_object_class_install_property(
        object, kPropClientName,
        g_param_spec_string("client-name", "Client name", "The client's name for the device",
                            nullptr, GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(
        object, kPropStreamProperties,
        g_param_spec_boxed("stream-properties", "Stream properties",
                           "The stream's properties for the device", GST_TYPE_STRUCTURE,
                           GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    // What autoaudiosink gives the sink it picks: its own offset, and whether to keep to the
    // clock.
    g_object_class_install_property(
        object, kPropTsOffset,
        g_param_spec_int64("ts-offset", "Timestamp offset",
                           "Nanoseconds added to the stream's times to match the clock", G_MININT64,
                           G_MAXINT64, 0, GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(
        object, kPropSync,
        g_param_spec_boolean("sync", "Sync", "Keeps to the clock", TRUE,
                             GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    auto* element = GST_ELEMENT_CLASS(klass);
    element->change_state = &changeState;
    gst_element_class_add_static_pad_template(element, &sinkTemplate);
    gst_element_class_set_static_metadata(element, "Movuroute held audio sink", "Sink/Audio",
                                          "Opens the desktop's audio device once it plays",
                                          "Movuroute");
}

GType heldAudioSinkType() {
    static const GType type = [] {
        const GTypeInfo info{
            sizeof(HeldAudioSinkClass), nullptr, nullptr, &classInit, nullptr, nullptr,
            sizeof(HeldAudioSink),      0,       &init,   nullptr};
        return g_type_register_static(GST_TYPE_BIN, "MovuHeldAudioSink", &info, GTypeFlags(0));
    }();
    return type;
}

}  // namespace

namespace platform::web {

bool registerHeldAudioSink() {
    // Above every device's sink: pulsesink, the highest Debian ships, is primary + 10.
    return gst_element_register(nullptr, "movuheldaudiosink", GST_RANK_PRIMARY + 50,
                                heldAudioSinkType());
}

}  // namespace platform::web

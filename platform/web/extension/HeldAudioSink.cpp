#include "platform/web/extension/HeldAudioSink.h"

#include <gst/gst.h>

namespace {

struct HeldAudioSink {
    GstBin parent;
    GstPad* sink;
    GstElement* real;
    gchar* clientName;
    GstStructure* streamProperties;
};
struct HeldAudioSinkClass {
    GstBinClass parent;
};

enum { kPropClientName = 1, kPropStreamProperties };

GstBinClass* parentClass = nullptr;

// Set while this thread makes a real sink: autoaudiosink's choice then passes over this one,
// which it would otherwise pick again inside itself.
thread_local bool choosingRealSink = false;

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);

HeldAudioSink* heldOf(gpointer object) {
    return reinterpret_cast<HeldAudioSink*>(object);
}

// What the engine asked of the sink it picked, handed to the device autoaudiosink chose.
void passOnProperties(GstChildProxy*, GObject* child, gchar*, gpointer data) {
    HeldAudioSink* self = heldOf(data);
    GObjectClass* type = G_OBJECT_GET_CLASS(child);
    GST_OBJECT_LOCK(self);
    if (self->clientName && g_object_class_find_property(type, "client-name"))
        g_object_set(child, "client-name", self->clientName, nullptr);
    if (self->streamProperties && g_object_class_find_property(type, "stream-properties"))
        g_object_set(child, "stream-properties", self->streamProperties, nullptr);
    GST_OBJECT_UNLOCK(self);
}

bool makeRealSink(HeldAudioSink* self) {
    GstElement* real = gst_element_factory_make("autoaudiosink", nullptr);
    if (!real) return false;
    g_signal_connect(real, "child-added", G_CALLBACK(passOnProperties), self);
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
    self->real = real;
    return true;
}

void dropRealSink(HeldAudioSink* self) {
    if (!self->real) return;
    gst_ghost_pad_set_target(GST_GHOST_PAD(self->sink), nullptr);
    gst_element_set_state(self->real, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(self), self->real);
    self->real = nullptr;
}

GstStateChangeReturn changeState(GstElement* element, GstStateChange transition) {
    HeldAudioSink* self = heldOf(element);
    switch (transition) {
        case GST_STATE_CHANGE_NULL_TO_READY:
            if (choosingRealSink) return GST_STATE_CHANGE_FAILURE;
            break;
        case GST_STATE_CHANGE_READY_TO_PAUSED:
            if (!self->real && !makeRealSink(self)) return GST_STATE_CHANGE_FAILURE;
            break;
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
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
    }
    GST_OBJECT_UNLOCK(self);
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

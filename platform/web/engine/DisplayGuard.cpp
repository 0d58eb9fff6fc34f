#include "platform/web/engine/DisplayGuard.h"

#include <dlfcn.h>
#include <gtk/gtk.h>

#include <initializer_list>

#include "platform/base/LogSink.h"

namespace platform::web {

namespace {

// GTK 3's GtkClipboardClass (gtk/gtkclipboardprivate.h). Every reading and writing of a
// selection through a GtkClipboard, WebKit's and GTK's own widgets' alike, goes through these.
struct ClipboardClass {
    GObjectClass parent;
    gboolean (*setContents)(GtkClipboard*, const GtkTargetEntry*, guint, GtkClipboardGetFunc,
                            GtkClipboardClearFunc, gpointer, gboolean);
    void (*clear)(GtkClipboard*);
    void (*requestContents)(GtkClipboard*, GdkAtom, GtkClipboardReceivedFunc, gpointer);
    void (*setCanStore)(GtkClipboard*, const GtkTargetEntry*, gint);
    void (*store)(GtkClipboard*);
    void (*ownerChange)(GtkClipboard*, GdkEventOwnerChange*);
};

// GTK 3's GtkSelectionData (gtk/gtkselectionprivate.h), which has no public constructor: the
// answer "the selection holds nothing" is made here, as GTK makes it when no owner answers.
struct SelectionData {
    GdkAtom selection;
    GdkAtom target;
    GdkAtom type;
    gint format;
    guchar* data;
    gint length;
    GdkDisplay* display;
};

// Where GTK's code lies: a function of its class found anywhere else means the structure is
// not the one above.
const void* gtkBase() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<const void*>(&gtk_clipboard_get), &info)) return nullptr;
    return info.dli_fbase;
}

template <class Function>
bool isGtks(Function function, const void* base) {
    Dl_info info{};
    return function && base && dladdr(reinterpret_cast<const void*>(function), &info) &&
           info.dli_fbase == base;
}

// Read back through GTK's own accessors, every field where GTK finds it.
bool selectionDataIsKnown() {
    guchar bytes[] = "abc";
    SelectionData probe{
        GDK_SELECTION_PRIMARY,    GDK_SELECTION_TYPE_STRING, GDK_SELECTION_TYPE_ATOM, 8, bytes, 3,
        gdk_display_get_default()};
    const auto* data = reinterpret_cast<const GtkSelectionData*>(&probe);
    return gtk_selection_data_get_selection(data) == probe.selection &&
           gtk_selection_data_get_target(data) == probe.target &&
           gtk_selection_data_get_data_type(data) == probe.type &&
           gtk_selection_data_get_format(data) == probe.format &&
           gtk_selection_data_get_data(data) == probe.data &&
           gtk_selection_data_get_length(data) == probe.length &&
           gtk_selection_data_get_display(data) == probe.display;
}

gboolean refuseContents(GtkClipboard*, const GtkTargetEntry*, guint, GtkClipboardGetFunc,
                        GtkClipboardClearFunc, gpointer, gboolean) {
    // The caller keeps its data (WebKit frees it), and nobody on the display is told anything.
    return FALSE;
}

void keepAsItIs(GtkClipboard*) {}

void storeNothing(GtkClipboard*, const GtkTargetEntry*, gint) {}

// Answered as a selection nobody owns, on a later turn as an answer from the display would
// come: callers ask again for other forms from inside their callback.
void answerNothing(GtkClipboard* clipboard, GdkAtom target, GtkClipboardReceivedFunc callback,
                   gpointer userData) {
    struct Asked {
        GtkClipboard* clipboard;
        GdkAtom target;
        GtkClipboardReceivedFunc callback;
        gpointer userData;
    };
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            auto* asked = static_cast<Asked*>(data);
            SelectionData nothing{gtk_clipboard_get_selection(asked->clipboard),
                                  asked->target,
                                  GDK_NONE,
                                  0,
                                  nullptr,
                                  -1,
                                  gtk_clipboard_get_display(asked->clipboard)};
            asked->callback(asked->clipboard, reinterpret_cast<GtkSelectionData*>(&nothing),
                            asked->userData);
            return G_SOURCE_REMOVE;
        },
        new Asked{GTK_CLIPBOARD(g_object_ref(clipboard)), target, callback, userData},
        [](gpointer data) {
            auto* asked = static_cast<Asked*>(data);
            g_object_unref(asked->clipboard);
            delete asked;
        });
}

bool guardSelections() {
    GTypeQuery query{};
    g_type_query(GTK_TYPE_CLIPBOARD, &query);
    auto* clipboard = static_cast<ClipboardClass*>(g_type_class_ref(GTK_TYPE_CLIPBOARD));
    const void* base = gtkBase();
    const bool known = query.class_size == sizeof(ClipboardClass) &&
                       isGtks(clipboard->setContents, base) && isGtks(clipboard->clear, base) &&
                       isGtks(clipboard->requestContents, base) &&
                       isGtks(clipboard->setCanStore, base) && isGtks(clipboard->store, base) &&
                       selectionDataIsKnown();
    if (!known) {
        g_type_class_unref(clipboard);
        return false;
    }
    // Kept for good: the class must outlive every clipboard.
    clipboard->setContents = refuseContents;
    clipboard->clear = keepAsItIs;
    clipboard->requestContents = answerNothing;
    clipboard->setCanStore = storeNothing;
    clipboard->store = keepAsItIs;
    return true;
}

using Show = void (*)(GtkWidget*);
Show windowShow = nullptr;

void showOnlyOffscreen(GtkWidget* widget) {
    // An offscreen window reaches the display only through the frames we take of it.
    if (GTK_IS_OFFSCREEN_WINDOW(widget)) windowShow(widget);
}

// Its owner hears that it closed, once it listens: WebKit connects after asking to show it.
void closeUnopened(GtkWidget* popover) {
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            g_signal_emit_by_name(data, "closed");
            return G_SOURCE_REMOVE;
        },
        g_object_ref(popover), g_object_unref);
}

// The class's show, and that of each subclass whose class is made already and inherited it;
// subclasses made later copy the new one.
void replaceShow(GType type, Show old, Show replacement) {
    auto* widget = GTK_WIDGET_CLASS(g_type_class_peek(type));
    if (widget && widget->show == old) widget->show = replacement;
    guint count = 0;
    GType* children = g_type_children(type, &count);
    for (guint i = 0; i < count; ++i) replaceShow(children[i], old, replacement);
    g_free(children);
}

void guardWindows() {
    for (GType type : {GTK_TYPE_WINDOW, GTK_TYPE_POPOVER}) g_type_class_ref(type);
    windowShow = GTK_WIDGET_CLASS(g_type_class_peek(GTK_TYPE_WINDOW))->show;
    replaceShow(GTK_TYPE_WINDOW, windowShow, showOnlyOffscreen);
    replaceShow(GTK_TYPE_POPOVER, GTK_WIDGET_CLASS(g_type_class_peek(GTK_TYPE_POPOVER))->show,
                closeUnopened);
}

}  // namespace

bool guardDisplay() {
    static const bool guarded = [] {
        if (!guardSelections()) {
            LogSink::write(
                "WebView: GTK's clipboard is not the one this program was built for; pages "
                "could reach the desktop's selections, so none is shown");
            return false;
        }
        guardWindows();
        return true;
    }();
    return guarded;
}

}  // namespace platform::web

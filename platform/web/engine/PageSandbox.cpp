#include "platform/web/engine/PageSandbox.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <iterator>

#include "platform/base/LogBudget.h"
#include "platform/web/ContentDisposition.h"
#include "platform/web/engine/EngineLog.h"

namespace platform::web {

namespace {

constexpr const char* kConfined = "movuroute-confined";
constexpr const char* kPageLog = "movuroute-page-log";
// Our own scripts of the sandbox run apart from the page's, which cannot see or undo them.
constexpr const char* kWorld = "movuroute-sandbox";
// A drag the engine starts belongs to the desktop: its picture is a window of its own, and no
// drop ever comes to a view nobody sees, so the picture stays. A swipe across a link, a picture
// or a draggable element starts one; each is cancelled as it starts, before any listener of the
// page's hears of it (the page still does, cancelled).
constexpr const char* kNoDragScript =
    "window.addEventListener('dragstart', function (e) { e.preventDefault(); }, true);";

// Marks the object; false when it was marked already.
bool markConfined(gpointer object) {
    if (g_object_get_data(G_OBJECT(object), kConfined)) return false;
    g_object_set_data(G_OBJECT(object), kConfined, GINT_TO_POINTER(1));
    return true;
}

}  // namespace

void refusalLine(WebKitWebView* view, const char* line) {
    auto* log =
        view ? static_cast<std::shared_ptr<LogBudget>*>(g_object_get_data(G_OBJECT(view), kPageLog))
             : nullptr;
    if (log && *log) {
        (*log)->write(line);
    } else {
        engineLog().write(line, engineLogNow());
    }
}

namespace {

// Runs on a later turn, with its own reference: WebKit starts listening for the close of a menu
// or a chooser only once the signal that offered it has returned.
void closeLater(gpointer object, void (*close)(gpointer)) {
    struct Later {
        gpointer object;
        void (*close)(gpointer);
    };
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            auto* later = static_cast<Later*>(data);
            later->close(later->object);
            return G_SOURCE_REMOVE;
        },
        new Later{g_object_ref(object), close},
        [](gpointer data) {
            auto* later = static_cast<Later*>(data);
            g_object_unref(later->object);
            delete later;
        });
}

gboolean onScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer) {
    switch (webkit_script_dialog_get_dialog_type(dialog)) {
        case WEBKIT_SCRIPT_DIALOG_ALERT:
        case WEBKIT_SCRIPT_DIALOG_PROMPT:  // no text given: null, as a dismissed one answers
            break;
        case WEBKIT_SCRIPT_DIALOG_CONFIRM:
            webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
            break;
        case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
            // Our own loads and reloads of a view must not wait on the page it shows.
            webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
            break;
    }
    // Not kept: the dialog closes, and the page goes on, when the signal returns.
    return TRUE;
}

gboolean onPrint(WebKitWebView* view, WebKitPrintOperation*, gpointer) {
    refusalLine(view, "WebView: a page asked to print; nothing is printed");
    return TRUE;
}

gboolean onFileChooser(WebKitWebView* view, WebKitFileChooserRequest* request, gpointer) {
    refusalLine(view, "WebView: a page asked for a file; it gets none");
    webkit_file_chooser_request_cancel(request);
    return TRUE;
}

gboolean onColorChooser(WebKitWebView*, WebKitColorChooserRequest* request, gpointer) {
    closeLater(request, [](gpointer r) {
        webkit_color_chooser_request_cancel(WEBKIT_COLOR_CHOOSER_REQUEST(r));
    });
    return TRUE;
}

gboolean onOptionMenu(WebKitWebView*, WebKitOptionMenu* menu, GdkEvent*, GdkRectangle*, gpointer) {
    closeLater(menu, [](gpointer m) { webkit_option_menu_close(WEBKIT_OPTION_MENU(m)); });
    return TRUE;
}

gboolean onContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*,
                       gpointer) {
    return TRUE;
}

gboolean onAuthenticate(WebKitWebView*, WebKitAuthenticationRequest* request, gpointer) {
    // Going on without credentials shows the server's refusal, and the load ends as any other.
    webkit_authentication_request_authenticate(request, nullptr);
    return TRUE;
}

gboolean onPermission(WebKitWebView*, WebKitPermissionRequest* request, gpointer) {
    // WebKit's own answer allows pointer lock, which takes the player's pointer.
    webkit_permission_request_deny(request);
    return TRUE;
}

gboolean onPermissionQuery(WebKitWebView*, WebKitPermissionStateQuery* query, gpointer) {
    webkit_permission_state_query_finish(query, WEBKIT_PERMISSION_STATE_DENIED);
    return TRUE;
}

gboolean refuse(WebKitWebView*, gpointer) {
    return TRUE;
}

gboolean onNotification(WebKitWebView*, WebKitNotification*, gpointer) {
    return TRUE;
}

gboolean onTooltip(GtkWidget* widget, gint, gint, gboolean, GtkTooltip*, gpointer) {
    // The view's own handler would answer that its tooltip shows; it must not be asked.
    g_signal_stop_emission_by_name(widget, "query-tooltip");
    return FALSE;
}

// Only responses: every navigation is the view's owner's to decide, and for a response it
// leaves the engine's own answer, which loads what it can show.
gboolean onDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                        WebKitPolicyDecisionType type, gpointer) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
    auto* responseDecision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    WebKitURIResponse* response = webkit_response_policy_decision_get_response(responseDecision);
    SoupMessageHeaders* headers =
        response ? webkit_uri_response_get_http_headers(response) : nullptr;
    const char* disposition =
        headers ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
    const bool attachment = disposition && isAttachmentDisposition(disposition);
    if (!attachment && webkit_response_policy_decision_is_mime_type_supported(responseDecision)) {
        return FALSE;
    }
    refusalLine(view, attachment
                          ? "WebView: a response that is an attachment is not loaded"
                          : "WebView: a response that is nothing a page can show is not loaded");
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

gboolean onDecideDestination(WebKitDownload* download, gchar*, gpointer) {
    // Only reached should the cancel below not have been in time; no destination is given.
    webkit_download_cancel(download);
    return TRUE;
}

void onDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
    refusalLine(webkit_download_get_web_view(download),
                "WebView: a page's download is cancelled; nothing of it is saved");
    g_signal_connect(download, "decide-destination", G_CALLBACK(onDecideDestination), nullptr);
    webkit_download_cancel(download);
}

}  // namespace

WebKitSettings* newSettings() {
    // The engine's names for them, which it lists with webkit_settings_get_all_features.
    static constexpr const char* kNeverOffered[] = {"SharedWorker", "ServiceWorkers",
                                                    "DataListElement"};
    WebKitSettings* settings = webkit_settings_new();
    WebKitFeatureList* features = webkit_settings_get_all_features();
    std::size_t found = 0;
    for (gsize i = 0; i < webkit_feature_list_get_length(features); ++i) {
        WebKitFeature* feature = webkit_feature_list_get(features, i);
        for (const char* name : kNeverOffered) {
            if (g_strcmp0(webkit_feature_get_identifier(feature), name) != 0) continue;
            webkit_settings_set_feature_enabled(settings, feature, FALSE);
            ++found;
        }
    }
    webkit_feature_list_unref(features);
    if (found != std::size(kNeverOffered)) {
        // An engine that names them otherwise: said once, since every view asks.
        static const bool said = [] {
            engineLog().write(
                "WebView: the engine does not name every feature no page is offered; a page "
                "may still be given shared or service workers or <datalist> suggestions",
                engineLogNow());
            return true;
        }();
        (void)said;
    }
    return settings;
}

void setPageLog(WebKitWebView* view, std::shared_ptr<LogBudget> log) {
    if (!view) return;
    g_object_set_data_full(
        G_OBJECT(view), kPageLog, new std::shared_ptr<LogBudget>(std::move(log)),
        [](gpointer data) { delete static_cast<std::shared_ptr<LogBudget>*>(data); });
}

void confineContext(WebKitWebContext* context) {
    if (!context || !markConfined(context)) return;
    g_signal_connect(context, "download-started", G_CALLBACK(onDownloadStarted), nullptr);
}

void confineView(WebKitWebView* view) {
    if (!view || !markConfined(view)) return;
    confineContext(webkit_web_view_get_context(view));
    WebKitUserScript* noDrag = webkit_user_script_new_for_world(
        kNoDragScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(webkit_web_view_get_user_content_manager(view), noDrag);
    webkit_user_script_unref(noDrag);
    // A page that knows it cannot go full screen does not try.
    webkit_settings_set_enable_fullscreen(webkit_web_view_get_settings(view), FALSE);
    // The desktop's input method (IBus or another, over a bus of its own) would be told of every
    // field a page focuses, its text and where its caret is. No key of the player reaches a page
    // but those the game hands it, which arrive as plain key presses and type as such.
    webkit_web_view_set_input_method_context(view, nullptr);

    // Each of the view's asks for the desktop, with the answer of a person who said no.
    static const struct {
        const char* signal;
        GCallback answer;
    } kRefusals[] = {
        {"decide-policy", G_CALLBACK(onDecidePolicy)},
        {"script-dialog", G_CALLBACK(onScriptDialog)},
        {"print", G_CALLBACK(onPrint)},
        {"run-file-chooser", G_CALLBACK(onFileChooser)},
        {"run-color-chooser", G_CALLBACK(onColorChooser)},
        {"show-option-menu", G_CALLBACK(onOptionMenu)},
        {"context-menu", G_CALLBACK(onContextMenu)},
        {"authenticate", G_CALLBACK(onAuthenticate)},
        {"permission-request", G_CALLBACK(onPermission)},
        {"query-permission-state", G_CALLBACK(onPermissionQuery)},
        {"enter-fullscreen", G_CALLBACK(refuse)},
        {"show-notification", G_CALLBACK(onNotification)},
        {"query-tooltip", G_CALLBACK(onTooltip)},
    };
    for (const auto& refusal : kRefusals) {
        g_signal_connect(view, refusal.signal, refusal.answer, nullptr);
    }
}

}  // namespace platform::web

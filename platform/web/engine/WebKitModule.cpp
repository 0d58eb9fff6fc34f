// The entry point of the web engine module, which the program opens when a web view first needs
// WebKit (WebEngine.h): everything WebKit-specific stays behind it.

#include "platform/web/WebEngine.h"
#include "platform/web/engine/WebKitBackend.h"
#include "platform/web/engine/WebKitRuntime.h"

extern "C" __attribute__((visibility("default"))) const platform::web::WebEngineModule*
movuroute_web_engine() {
    using platform::web::WebKitRuntime;
    static const platform::web::WebEngineModule module{
        platform::web::WebEngineModule::kVersion, &WebKitRuntime::openDisplay,
        [] { return WebKitRuntime::get() != nullptr; },
        [](platform::web::WebViewContext context) {
            if (WebKitRuntime* runtime = WebKitRuntime::get()) runtime->warmUp(context);
        },
        &platform::web::makeWebKitBackend};
    return &module;
}

#pragma once

// What a test of one view on real WebKit stands on: the main loop, a loopback server for its
// pages, the view (of the size the test asks for) with a recording delegate, and no web
// process left behind. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>
#include <signal.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/testing/WebProcesses.h"
#include "platform/web/RecordingWebViewDelegate.h"
#include "platform/web/WebView.h"

namespace platform::web {

class WebKitViewFixture : public ::testing::Test {
  protected:
    explicit WebKitViewFixture(Size viewSize) : viewSize_(viewSize) {}

    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(server.isRunning());
        view = WebView::create(viewSize_);
        view->setDelegate(delegate);
    }
    void TearDown() override {
        // A page left looping, or waiting on a dialog, must not outlive the test.
        for (pid_t pid : platform::testing::webProcesses()) kill(pid, SIGKILL);
    }

    bool waitFor(const std::function<bool()>& condition, double seconds = 15) {
        return platform::testing::runMainLoopUntil(condition, seconds);
    }
    // Loads the server's page at `path` and waits until the view has finished a load since.
    void loadAndWait(const std::string& path) {
        const int finished = delegate->count("finish");
        view->loadRequest(*UrlRequest::withString(server.url(path)));
        ASSERT_TRUE(waitFor([&] { return delegate->count("finish") > finished; }))
            << ::testing::PrintToString(delegate->calls) << " "
            << (delegate->errors.empty() ? std::string() : delegate->errors.back().description());
    }

    MainLoopTestScope loop;
    platform::testing::TestHttpServer server;
    std::shared_ptr<RecordingWebViewDelegate> delegate =
        std::make_shared<RecordingWebViewDelegate>();
    std::shared_ptr<WebView> view;

  private:
    Size viewSize_;
};

}  // namespace platform::web

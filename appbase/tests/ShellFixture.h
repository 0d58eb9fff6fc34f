#pragma once

// A context with the fake shell's app core and game view, a 320 x 480 canvas and the GL
// recorder, with what setting them up recorded cleared.

#include <gtest/gtest.h>

#include <memory>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/testsupport/FakeShell.h"
#include "platform/gfx/RecordingGL.h"

namespace fake {

struct ShellFixture : ::testing::Test {
    Journal journal;
    std::shared_ptr<AppCore> core = std::make_shared<AppCore>(&journal);
    std::shared_ptr<GameView> view = std::make_shared<GameView>(&journal, core);
    JTAppBase::JTAppContextPtr context = JTCore::JTNew<JTAppBase::JTAppContext>();
    JTAppBase::JTCanvasPtr canvas = context->getCanvas();
    platform::gfx::RecordingGL gl;
    platform::gfx::ScopedGL scoped{gl};

    ShellFixture() {
        context->setAppCore(core);
        context->setGameView(view);
        canvas->setSize(320, 480);
        gl.clear();
        journal.clear();
    }
};

}  // namespace fake

#pragma once

#include "core/JTObject.h"

namespace JTAppBase {

class JTAppContext;
class JTCanvas;
using JTAppContextPtr = boost::intrusive_ptr<JTAppContext>;
using JTCanvasPtr = boost::intrusive_ptr<JTCanvas>;

// What the game loop runs: onFrame once per tick, draw once per rendered frame, at
// 1000 / getFrameIntervalMs ticks per second.
class JTScene : public JTCore::JTObject {
  public:
    explicit JTScene(JTAppContext* context);

    virtual float getFrameIntervalMs() = 0;
    virtual int getWidth() = 0;
    virtual int getHeight() = 0;
    virtual void onFrame() = 0;
    virtual void draw(const JTCanvasPtr& canvas) = 0;
    virtual JTCore::JTObjectPtr getSceneObject() { return nullptr; }
    virtual void sceneHook() {}

    // Draws onto the context's canvas, for callers that do not hold the canvas themselves.
    void draw();
    // Empty once the context is gone.
    JTAppContextPtr getAppContext() const;

  private:
    JTCore::JTWeakPtr<JTAppContext> context_;
};

using JTScenePtr = boost::intrusive_ptr<JTScene>;

}  // namespace JTAppBase

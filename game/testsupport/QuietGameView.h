#pragma once

// A game view that keeps the scene it is given and a tilt the caller sets, and ignores the rest.

#include <memory>

#include "appbase/JTScene.h"
#include "appbase/ShellInterfaces.h"

namespace gametest {

class SteadyTilt : public JTAppBase::ShellTilt {
  public:
    double accelerationFromNeutralH() override { return h; }
    void getAnglesFromNeutral(double& outH, double& outV) override { outH = outV = 0; }
    double h = 0;
};

class QuietGameView : public JTAppBase::ShellGameView {
  public:
    explicit QuietGameView(std::shared_ptr<JTAppBase::ShellAppCore> core)
        : core_(std::move(core)) {}

    void gameOverWithScore(int32_t) override {}
    void setLevelInfo(std::shared_ptr<JTAppBase::LevelInfo>) override {}
    void startGameScene(const boost::intrusive_ptr<JTAppBase::JTScene>& s) override { scene = s; }
    void stop() override {}
    void setPauseBtnPos(platform::Point) override {}
    int64_t interfaceOrientation() override { return 1; }
    std::shared_ptr<JTAppBase::ShellAppCore> appCore() override { return core_; }
    platform::Point convertPointFromRawView(platform::Point p) override { return p; }
    void setMultipleTouchEnabled(bool) override {}
    std::shared_ptr<JTAppBase::ShellTilt> accelerometerHelper() override { return tilt; }

    boost::intrusive_ptr<JTAppBase::JTScene> scene;
    std::shared_ptr<SteadyTilt> tilt = std::make_shared<SteadyTilt>();

  private:
    std::shared_ptr<JTAppBase::ShellAppCore> core_;
};

}  // namespace gametest

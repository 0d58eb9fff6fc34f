#pragma once

// A scripted stand-in for the app shell: records every call the game core makes, in order,
// into one shared journal so tests can check the order across objects.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "appbase/JTScene.h"
#include "appbase/ShellInterfaces.h"

namespace fake {

using Journal = std::vector<std::string>;

inline std::string fmt(double v) {
    std::string s = std::to_string(v);
    s.erase(s.find_last_not_of('0') + 1);
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

inline std::string rectText(platform::Rect r) {
    return "(" + fmt(r.origin.x) + "," + fmt(r.origin.y) + "," + fmt(r.size.width) + "," +
           fmt(r.size.height) + ")";
}

class Texture : public JTAppBase::ShellTexture {
  public:
    Texture(std::string name, platform::Size size, int format, Journal* journal)
        : name_(std::move(name)), size_(size), format_(format), journal_(journal) {}

    int pixelFormat() const override { return format_; }
    platform::Size contentSize() const override { return size_; }
    void drawAtPoint(platform::Point p) override {
        journal_->push_back(name_ + ".drawAtPoint(" + fmt(p.x) + "," + fmt(p.y) + ")");
    }
    void drawInRect(platform::Rect r) override {
        journal_->push_back(name_ + ".drawInRect" + rectText(r));
    }
    void drawFromRect(platform::Rect src, platform::Rect dst) override {
        journal_->push_back(name_ + ".drawFromRect" + rectText(src) + rectText(dst));
    }

    const std::string& name() const { return name_; }

  private:
    std::string name_;
    platform::Size size_;
    int format_;
    Journal* journal_;
};

class TextFactory : public JTAppBase::TextTextureFactory {
  public:
    explicit TextFactory(Journal* journal) : journal_(journal) {}

    std::shared_ptr<JTAppBase::ShellTexture> newTextTexture(const std::string& text,
                                                            platform::Size dim, int alignment,
                                                            const std::string& font,
                                                            double fontSize, float scale) override {
        journal_->push_back("text(" + text + "," + fmt(dim.width) + "x" + fmt(dim.height) + "," +
                            std::to_string(alignment) + "," + font + "," + fmt(fontSize) + "," +
                            fmt(scale) + ")");
        ++made;
        return std::make_shared<Texture>("label[" + text + "]", platform::Size{64, 16},
                                         JTAppBase::ShellTexture::kA8, journal_);
    }
    int made = 0;

  private:
    Journal* journal_;
};

class Sound : public JTAppBase::ShellSound {
  public:
    Sound(std::string name, Journal* journal) : name_(std::move(name)), journal_(journal) {}
    void start() override { journal_->push_back(name_ + ".start"); }

  private:
    std::string name_;
    Journal* journal_;
};

class Tilt : public JTAppBase::ShellTilt {
  public:
    double accelerationFromNeutralH() override { return h; }
    void getAnglesFromNeutral(double& outH, double& outV) override {
        outH = angleH;
        outV = angleV;
    }
    double h = 0, angleH = 0, angleV = 0;
};

class Touch : public JTAppBase::ShellTouch {
  public:
    explicit Touch(platform::Point p) : location(p) {}
    platform::Point locationInView(const JTAppBase::ShellGameView*) const override {
        return location;
    }
    platform::Point location;
};

class AppCore : public JTAppBase::ShellAppCore {
  public:
    explicit AppCore(Journal* journal) : journal_(journal), factory_(journal) {}

    std::shared_ptr<JTAppBase::ShellTexture> texture(int index) override {
        auto it = textures.find(index);
        return it == textures.end() ? nullptr : it->second;
    }
    JTAppBase::TextTextureFactory* textTextureFactory() override { return &factory_; }
    float contentsScaleValue() override { return scale; }
    int32_t currentLevelId() override { return currentLevel; }
    void setCurrentLevelId(int32_t id) override {
        currentLevel = id;
        journal_->push_back("core.setCurrentLevelId(" + std::to_string(id) + ")");
    }
    void saveSettings() override { journal_->push_back("core.saveSettings"); }
    void startTitleView() override { journal_->push_back("core.startTitleView"); }
    void transitionAnimation(int kind, double duration) override {
        journal_->push_back("core.transitionAnimation(" + std::to_string(kind) + "," +
                            fmt(duration) + ")");
    }
    bool isIPad() override { return iPad; }
    void showSimpleAlert(const std::string& title, const std::string& message) override {
        journal_->push_back("core.alert(" + title + "|" + message + ")");
    }
    std::shared_ptr<JTAppBase::ShellSound> sound(int index) override {
        auto it = sounds.find(index);
        return it == sounds.end() ? nullptr : it->second;
    }
    std::shared_ptr<JTAppBase::ShellSound> music(int) override { return nullptr; }
    void stopLoopingEffects(bool loops, bool music) override {
        journal_->push_back(std::string("core.stopLoopingEffects(") + (loops ? "1" : "0") + "," +
                            (music ? "1" : "0") + ")");
    }
    bool musicIsEnabled() override { return musicEnabled; }

    void addTexture(int index, platform::Size size, int format = 1) {
        textures[index] =
            std::make_shared<Texture>("tex" + std::to_string(index), size, format, journal_);
    }
    void addSound(int index) {
        sounds[index] = std::make_shared<Sound>("sound" + std::to_string(index), journal_);
    }

    std::map<int, std::shared_ptr<JTAppBase::ShellTexture>> textures;
    std::map<int, std::shared_ptr<JTAppBase::ShellSound>> sounds;
    float scale = 1.0f;
    int32_t currentLevel = 0;
    bool iPad = false;
    bool musicEnabled = true;
    TextFactory& factory() { return factory_; }

  private:
    Journal* journal_;
    TextFactory factory_;
};

class GameView : public JTAppBase::ShellGameView {
  public:
    GameView(Journal* journal, std::shared_ptr<AppCore> core)
        : journal_(journal), core_(std::move(core)) {}

    void gameOverWithScore(int32_t score) override {
        journal_->push_back("view.gameOverWithScore(" + std::to_string(score) + ")");
    }
    void setLevelInfo(std::shared_ptr<JTAppBase::LevelInfo> info) override {
        levelInfo = std::move(info);
        journal_->push_back("view.setLevelInfo(" +
                            (levelInfo ? std::to_string(levelInfo->levelId()) : "none") + ")");
    }
    void startGameScene(const boost::intrusive_ptr<JTAppBase::JTScene>& scene) override {
        this->scene = scene;
        journal_->push_back(std::string("view.startGameScene(") + (scene ? "scene" : "none") + ")");
    }
    void stop() override { journal_->push_back("view.stop"); }
    void setPauseBtnPos(platform::Point p) override {
        journal_->push_back("view.setPauseBtnPos(" + fmt(p.x) + "," + fmt(p.y) + ")");
    }
    int64_t interfaceOrientation() override { return orientation; }
    std::shared_ptr<JTAppBase::ShellAppCore> appCore() override { return core_; }
    platform::Point convertPointFromRawView(platform::Point p) override {
        return {p.x * factor, p.y * factor};
    }
    void setMultipleTouchEnabled(bool enabled) override {
        multipleTouch = enabled;
        journal_->push_back(std::string("view.setMultipleTouchEnabled(") + (enabled ? "1" : "0") +
                            ")");
    }
    std::shared_ptr<JTAppBase::ShellTilt> accelerometerHelper() override { return tilt; }

    std::shared_ptr<JTAppBase::LevelInfo> levelInfo;
    boost::intrusive_ptr<JTAppBase::JTScene> scene;
    std::shared_ptr<Tilt> tilt;
    int64_t orientation = 1;
    double factor = 1.0;
    bool multipleTouch = false;

  private:
    Journal* journal_;
    std::shared_ptr<AppCore> core_;
};

}  // namespace fake

#pragma once

// The app's face of the sound engine: one object per sound resource of the bundle, of one of
// three kinds (effect, looping effect, music), and class-level operations that bring the engine
// up at a master volume, tear it down, choose the audio session and stop all loops. Objects may
// be made before the engine is up; they load when it comes up. Main thread only.
//
// The app core makes the objects (effects of type "wav", music of type "caf"), keeps them in its
// sound tables, hands them to the game core as JTAppBase::ShellSound, and passes the volume
// setting as 0, 20, 50 or 100 to setupWithVolume and the music setting to setMusicIsEnabled.

#include "appbase/ShellInterfaces.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sound {

class SoundObj : public JTAppBase::ShellSound, public std::enable_shared_from_this<SoundObj> {
  public:
    static constexpr int32_t kTypeEffect = 1;
    static constexpr int32_t kTypeLoopingEffect = 2;
    static constexpr int32_t kTypeMusic = 3;
    static constexpr float kMixerOutputRate = 44100.0f;

    // Bundle path of a resource (name, type), or empty when the bundle has none.
    using ResourcePathResolver =
        std::function<std::string(const std::string& name, const std::string& type)>;
    // The default asks the main bundle.
    static void setResourcePathResolver(ResourcePathResolver resolver);
    static std::string pathForResource(const std::string& name, const std::string& type);

    static std::shared_ptr<SoundObj> newEffectWithResourceName(const std::string& name,
                                                               const std::string& type);
    static std::shared_ptr<SoundObj> newLoopingEffectWithResourceName(const std::string& name,
                                                                      const std::string& type);
    static std::shared_ptr<SoundObj> newMusicWithResourceName(const std::string& name,
                                                              const std::string& type);
    // initWithType:resourcePath: - the object joins the list and, with the engine up, loads.
    // The list holds it weakly: whoever made it keeps it, and dropping it unloads it.
    static std::shared_ptr<SoundObj> create(int32_t type, const std::string& resourcePath);

    // Class state.
    static void setupWithVolume(int volume);
    static void teardown();
    static void updateAudioSession();
    static void stopLoopingEffects(bool loops, bool music);
    static bool musicIsEnabled();
    static void setMusicIsEnabled(bool enabled);
    static std::vector<std::shared_ptr<SoundObj>> soundObjs();
    static bool engineIsUp();
    static double masterVolumeScale();
    // Back to the state at program start, engine down (for tests).
    static void resetClassState();

    void loadResource();
    void unloadResource();
    void dispose();
    void start() override;
    void startEffect() { start(); }
    void stop();
    void setVolume(int volume);
    void onUpdateVolume();
    void setPositionXYZ(float x, float y, float z);
    void setPitch(float pitch);

    uint32_t handle() const { return _handle; }
    int32_t type() const { return _type; }
    const std::string& resourcePath() const { return _resourcePath; }
    void setResourcePath(const std::string& path) { _resourcePath = path; }
    bool playingLoop() const { return _playingLoop; }
    float sndVolume() const { return _sndVolume; }

    SoundObj(int32_t type, std::string resourcePath);
    ~SoundObj() override;

  private:
    bool isEffectKind() const { return _type == kTypeEffect || _type == kTypeLoopingEffect; }

    uint32_t _handle = 0;
    int32_t _type = 0;
    std::string _resourcePath;
    bool _playingLoop = false;
    float _sndVolume = 1.0f;
};

}  // namespace sound

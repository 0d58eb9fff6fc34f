#pragma once

#include "core/JTObject.h"

namespace JTAppBase {

class JTAppContext;

// Plays the app core's sounds by index; an index without a sound plays nothing.
class JTSoundHelper : public JTCore::JTObject {
  public:
    explicit JTSoundHelper(JTAppContext* context);

    virtual void playEffect(int index);
    virtual void play(int index);
    virtual void playMusic(int index);
    virtual void stopAll();
    virtual bool musicIsEnabled();

  private:
    JTCore::JTWeakPtr<JTAppContext> context_;
};

using JTSoundHelperPtr = boost::intrusive_ptr<JTSoundHelper>;

}  // namespace JTAppBase

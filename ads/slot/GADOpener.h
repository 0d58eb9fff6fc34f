#pragma once

// Carries out an ad's click-throughs for its slot. Main thread only.
//
// Auto-click protection: the server marks an ad whose page might navigate without the user's
// touch; while protected, the opener acts only on clicks the user made.

namespace ads {

class GADOpener {
  public:
    bool autoClickProtected() const { return autoClickProtected_; }
    void setAutoClickProtected(bool isProtected) { autoClickProtected_ = isProtected; }

  private:
    bool autoClickProtected_ = false;
};

}  // namespace ads

#pragma once

#include "core/JTObject.h"

namespace JTAppBase {

class JTAppContext;

// Key input: scenes may ask, but this program takes its input from tilt and touch only.
class JTKeyHelper : public JTCore::JTObject {
  public:
    explicit JTKeyHelper(JTAppContext* context);

    virtual bool isKeyDown() { return false; }

  private:
    JTCore::JTWeakPtr<JTAppContext> context_;
};

using JTKeyHelperPtr = boost::intrusive_ptr<JTKeyHelper>;

}  // namespace JTAppBase

#pragma once

#include "appbase/JTAppContext.h"

namespace JTApp {

// The game's context; the framework's behaviour is all it needs.
class MyAppContext : public JTAppBase::JTAppContext {};

using MyAppContextPtr = boost::intrusive_ptr<MyAppContext>;

}  // namespace JTApp

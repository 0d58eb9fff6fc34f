#pragma once

#include "game/MyAppContext.h"

namespace JTApp {

// The context the shell makes; kept as its own type so device-family differences have a home.
class MyAppContextIPhone : public MyAppContext {};

using MyAppContextIPhonePtr = boost::intrusive_ptr<MyAppContextIPhone>;

}  // namespace JTApp

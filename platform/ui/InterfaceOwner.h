#pragma once

// What an interface file binds to: outlets (views the owner keeps) and actions (what controls
// call), both by name, and where its pictures come from. View controllers are owners; any other
// class may be one.

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/Image.h"

namespace platform::ui {

class View;
class Control;

class InterfaceOwner {
  public:
    enum class BindResult { Bound, UnknownName, WrongClass };

    virtual ~InterfaceOwner() = default;
    virtual BindResult bindOutlet(const std::string& name, const std::shared_ptr<View>& view) = 0;
    virtual bool hasAction(const std::string& name) const = 0;
    virtual void performAction(const std::string& name, Control* sender) = 0;
    // Name used in error messages.
    virtual std::string ownerName() const = 0;
    // The picture the file names; nullptr (nothing shown) when the owner has none by that name.
    virtual ImagePtr interfaceImageNamed(const std::string& /*name*/) { return nullptr; }
};

}  // namespace platform::ui

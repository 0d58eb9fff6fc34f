#pragma once

// Reads interface files: JSON view trees in assets/ui/<Name>.json. Each view is made by its
// class name through the class registry (the toolkit's classes, and any view class registered
// there) and reads its own keys (View::applyInterfaceProperties). Views may carry an "outlet"
// name and controls an "action" name; both are bound to the owner by name. An outlet the owner
// declares but the file lacks stays empty; a name in the file the owner does not know, an
// unknown key, class or malformed value is an error naming the file.

#include <memory>
#include <string>

#include "platform/ui/InterfaceOwner.h"

namespace platform::ui {

class View;

class InterfaceLoader {
  public:
    struct Result {
        std::shared_ptr<View> view;  // nullptr on error
        std::string error;           // "<Name>.json: what is wrong"
    };

    // Loads <dir>/<name>.json. Names are plain file names (letters, digits, '_', '-').
    static Result load(const std::string& name, InterfaceOwner& owner,
                       std::weak_ptr<InterfaceOwner> ownerRef);
    // Same, without binding anything.
    static Result load(const std::string& name);
    // From text; fileName only names the source in errors.
    static Result loadFromString(const std::string& json, const std::string& fileName,
                                 InterfaceOwner* owner, std::weak_ptr<InterfaceOwner> ownerRef);

    // Where interface files are looked up. Defaults to assets/ui beside the executable.
    static void setSearchDirectory(std::string dir);
    static std::string searchDirectory();
    static bool exists(const std::string& name);
};

}  // namespace platform::ui

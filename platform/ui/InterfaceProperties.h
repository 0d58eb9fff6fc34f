#pragma once

// The keys of one view object of an interface file, as its view class reads them. The loader
// makes the view through the class registry and hands it these properties
// (View::applyInterfaceProperties); each class reads the keys it knows, after its superclass
// has read its own. A key no class asked for is an error, as is a value of the wrong kind:
// either one ends the load with a message naming the file and the place.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/Image.h"
#include "platform/ui/TextStyle.h"

namespace platform::ui {

class Control;

class InterfaceProperties {
  public:
    virtual ~InterfaceProperties() = default;

    // Whether the object has the key. Asking is how a class says it knows the key.
    virtual bool has(const std::string& key) = 0;
    // The value of a key the object has, of the kind asked for.
    virtual std::string string(const std::string& key) = 0;
    virtual double number(const std::string& key) = 0;
    virtual bool boolean(const std::string& key) = 0;
    // An array of numbers; anything else fails with `expected` ("expected an array of ...").
    virtual std::vector<double> numberArray(const std::string& key,
                                            const std::string& expected) = 0;
    // An object of strings ({"normal": "OK", ...}); anything else fails with `expected`.
    virtual std::vector<std::pair<std::string, std::string>> strings(
        const std::string& key, const std::string& expected) = 0;
    // An array of objects, each read by `read` with its own keys; `what` names one in errors
    // ("a bar item").
    virtual void objects(const std::string& key, const std::string& what,
                         const std::function<void(InterfaceProperties&)>& read) = 0;
    // What calls the owner's action of that name (the owner held weakly); an error when the
    // owner has no such action. Empty when the file is loaded without an owner.
    virtual std::function<void(Control*)> action(const std::string& name) = 0;
    // The owner's picture of that name; nullptr without an owner or picture.
    virtual ImagePtr picture(const std::string& name) = 0;

    // Ends the load with `what` at this object's place in the file.
    [[noreturn]] void fail(const std::string& what);

    // Built on the above.
    // A whole number within the limits.
    int integer(const std::string& key, double lo = -2147483648.0, double hi = 2147483647.0);
    // `count` numbers, each within +-100000 (coordinates and sizes).
    std::vector<double> numbers(const std::string& key, std::size_t count);
    Rect rect(const std::string& key);
    Size size(const std::string& key);
    // [r, g, b] or [r, g, b, a], components 0..1.
    Color color(const std::string& key);
    // "left", "center" or "right".
    TextAlignment alignment(const std::string& key);
    // `base` changed by "fontSize" (1..200) and "bold".
    Font font(Font base);
    // A picture by name; a missing one shows nothing rather than failing the screen.
    ImagePtr image(const std::string& key);
    // A control state by its name in the file ("normal", "highlighted", ...).
    unsigned controlState(const std::string& name);
    // "action" (on `defaultEvent`) and "actions" ({"touchDown": name, ...}) as targets.
    void bindActions(Control& control, unsigned defaultEvent);

  protected:
    // Leaves the reading (the loader throws); fail() stops the program should it ever return.
    virtual void raise(const std::string& what) = 0;
};

}  // namespace platform::ui

#pragma once

// The toolkit's view classes in the process's class registry (platform::ClassRegistry): each
// under the name className() gives it, with its superclass and a factory. Code can then make a
// view by name (the interface loader does) and ask whether a view is of a class or a subclass
// of it by name, without knowing the C++ type ("is this inside a UIScrollView?"). View classes
// outside the toolkit register themselves the same way, with the interface type View.

#include <string>

namespace platform::ui {

class View;

// Registers the toolkit's classes unless the registry already knows them. Called once at
// start-up by the program and before every interface file is read, so a registry that was
// emptied in between is filled again.
void registerViewClasses();

// The registered class an interface file means by `fileClass`: files name the toolkit's classes
// by their short names ("Label" for UILabel, "ActivityIndicator" for UIActivityIndicatorView);
// any other name stands for itself.
std::string classNameForInterfaceFile(const std::string& fileClass);

// Whether the view's class is `className` or a registered subclass of it. A view whose class
// is not registered is of no registered class but its own.
bool isViewKindOf(const View& view, const std::string& className);

}  // namespace platform::ui

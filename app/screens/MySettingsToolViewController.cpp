#include "app/screens/MySettingsToolViewController.h"

#include "app/appcore/MyAppCore.h"

namespace app {

// The game adds no settings of its own.
void MySettingsToolViewController::updateView() {
    SettingsToolViewController::updateView();
}

void MySettingsToolViewController::willSaveSettings() {
    SettingsToolViewController::willSaveSettings();
}

std::shared_ptr<MyAppCore> MySettingsToolViewController::myAppCore() const {
    return std::dynamic_pointer_cast<MyAppCore>(appCore());
}

}  // namespace app

#include "app/screens/MySettingsToolViewController.h"

namespace app {

// The game adds no settings of its own.
void MySettingsToolViewController::updateView() {
    SettingsToolViewController::updateView();
}

void MySettingsToolViewController::willSaveSettings() {
    SettingsToolViewController::willSaveSettings();
}

}  // namespace app

#include "app/MySettingsToolViewController.h"

#include "app/MyAppCore.h"

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

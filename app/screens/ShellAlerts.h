#pragma once

// The interface helpers every screen uses: a one-button alert, the status-bar orientation, a
// button title for every state, nearest-neighbour filtering for a texture.

#include <string>

#include "platform/ui/InterfaceOrientation.h"

namespace platform::ui {
class Button;
}

namespace app {

class Texture2D;

// Shows an alert with one "OK" button and no delegate; the alert keeps itself while shown.
void ShowSimpleAlert(const std::string& title, const std::string& message);

// The interface orientation of the status bar.
platform::ui::InterfaceOrientation CurrentStatusBarOrientation();

// The same title for the normal, selected, disabled and highlighted states, in that order.
void SetButtonTitle(platform::ui::Button& button, const std::string& title);

// Binds the texture and makes both its filters nearest-neighbour.
void SetNearestFilter(const Texture2D& texture);

}  // namespace app

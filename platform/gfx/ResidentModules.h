#pragma once

namespace platform::gfx {

// Keeps every shared library loaded at this moment mapped until the process ends, even when
// whoever loaded it unloads it again.
//
// GL drivers and the libraries SDL loads at run time (D-Bus among them) keep a few blocks for
// the life of the process and never free them; SDL unloads them again when its video subsystem
// quits. An unloaded library leaves the leak check at exit with nameless frames, which no
// suppression by library name can match, so the check would fail on memory that is not ours.
// Kept loaded, the frames keep their library's name. Holding them costs nothing that a second
// window would not load again anyway.
void keepLoadedModulesResident();

}  // namespace platform::gfx

// The game's pictures and sound effects, by the index the game core uses.

#include "app/appcore/MyAppCore.h"

namespace app {

void MyAppCore::loadResources() {
    loadImageAt(0, "gameover");
    loadImageAt(1, "movucar");
    loadImageAt(2, "gotpts");
    loadImageAt(3, "circle");
    loadImageAt(4, "hamburger");
    loadSEAt(0, "fall2");
    loadSEAt(1, "go");
    loadSEAt(2, "fly2_06_22k");
    loadSEAt(3, "bom1s");
}

}  // namespace app

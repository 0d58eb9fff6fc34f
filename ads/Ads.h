#pragma once

// The ads library's one start call. The program calls ads::load() once, on the main thread,
// before the application has finished launching (the library starts up on that notification).
// It has every room of the library put its entries into the tables the rooms below it keep
// (classes in the class registry, page-message handlers, the opener's roads, start-up steps,
// the SDK core's hooks), lowest room first, and then runs GADApplication::load(). A room
// that joins the library adds its one line here. Further calls do nothing.

namespace ads {

void load();

}  // namespace ads

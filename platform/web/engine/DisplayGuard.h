#pragma once

// What the engine's GTK may do with the X display, for every page in this process. WebKit's
// process for the views is ours (the game's), so whatever GTK does there, it does as the game,
// on the player's desktop:
//
// - The selections (PRIMARY, CLIPBOARD, SECONDARY) are the player's, and what other programs
//   put there stays there. A page never takes one: selecting its own text wrote PRIMARY at
//   once, with no tap, and after taps the clipboard API and a `copy` handler wrote CLIPBOARD,
//   so a middle-click or a paste in a terminal brought the ad's text. Nor does it read one:
//   a paste into a page, by key, by middle-click or by script, finds nothing, and the program
//   that owns the selection is never asked for it.
// - Nothing of GTK's shows on the display but the offscreen windows the views draw in: a
//   toplevel window (the suggestions of an <input list>, and whatever a refusal of
//   PageSandbox.h should miss: a menu, a dialog, a tooltip, a drag's picture) is never shown,
//   and a pop-over (the calendar of a date field, the emoji chooser) is closed unopened on
//   the next turn. A pop-over would sit in the view's window where no event of ours reaches
//   it, and a date field's, closed by the next tap, left the window's focus on its finalized
//   calendar.
//
// GTK's clipboard is reached through its class's functions, which GTK 3 keeps in a structure
// it does not install; they are replaced only when that structure is exactly the one this
// code knows (its size, and each function found inside GTK). Main thread, once, after GTK
// opened the display and before any view is made; false when the selections cannot be
// guarded, and then no page should be shown.

namespace platform::web {

bool guardDisplay();

}  // namespace platform::web

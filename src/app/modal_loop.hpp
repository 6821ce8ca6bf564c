#pragma once

#include <gtkmm/dialog.h>

namespace quirelle {

// Runs `dialog` until it is answered and returns its response id. The core asks its questions as
// plain calls that wait for the answer, so the dialog gets a main loop of its own meanwhile.
int RunModal(Gtk::Dialog& dialog);

// Ends every dialog that RunModal is waiting on, as if it had been cancelled, so that a quit
// (Ctrl-C, for one) is not held up by a dialog nobody answers.
void CancelModalDialogs();

}  // namespace quirelle

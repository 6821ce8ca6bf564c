#include "app/modal_loop.hpp"

#include <glibmm/main.h>

#include <algorithm>
#include <vector>

namespace quirelle {

namespace {

struct ModalRun {
    Gtk::Dialog* dialog;
    Glib::RefPtr<Glib::MainLoop> loop;
    int response;
};

// Innermost last: dialogs can stack when a modal dialog leads to another.
std::vector<ModalRun*>& ActiveRuns() {
    static std::vector<ModalRun*> runs;
    return runs;
}

}  // namespace

int RunModal(Gtk::Dialog& dialog) {
    ModalRun run{&dialog, Glib::MainLoop::create(), Gtk::ResponseType::NONE};
    dialog.set_modal(true);
    // Closing the window (Escape, the window manager's button) would destroy the dialog under
    // the caller, who still reads it; hidden, it counts as cancelled.
    dialog.set_hide_on_close(true);
    auto answered = dialog.signal_response().connect([&run](int response) {
        run.response = response;
        run.loop->quit();
    });
    auto closed = dialog.signal_hide().connect([&run] { run.loop->quit(); });
    ActiveRuns().push_back(&run);
    dialog.show();
    run.loop->run();
    ActiveRuns().erase(std::find(ActiveRuns().begin(), ActiveRuns().end(), &run));
    answered.disconnect();
    closed.disconnect();
    dialog.hide();
    return run.response == Gtk::ResponseType::NONE ? Gtk::ResponseType::CANCEL : run.response;
}

void CancelModalDialogs() {
    for (ModalRun* run : ActiveRuns()) {
        run->response = Gtk::ResponseType::CANCEL;
        run->loop->quit();
    }
}

}  // namespace quirelle

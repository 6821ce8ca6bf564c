#pragma once

#include <gtest/gtest.h>
#include <gtkmm/button.h>
#include <gtkmm/dialog.h>

#include <functional>
#include <memory>
#include <string>

#include "app/application.hpp"
#include "support/epub_fixture.hpp"

namespace quirelle::testing {

// Lets GTK handle what is pending until `done` holds; false when it never did. The limit only
// keeps a broken test from hanging the run.
bool ProcessUntil(const std::function<bool()>& done);

// Lets GTK handle everything that is pending now.
void ProcessPending();

// Clicks `button` as the pointer does (activating it from the keyboard would wait for its
// pressed look to pass first).
void Click(Gtk::Button& button);

// The first button under `root` (depth first) whose label is `label`.
Gtk::Button* FindButton(Gtk::Widget& root, const std::string& label);

// Answers the next dialog that opens while the code under test waits on it: `answer` is called
// on the dialog, again and again, until it returns true.
class DialogAnswerer {
  public:
    explicit DialogAnswerer(std::function<bool(Gtk::Dialog&)> answer);
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    bool answered() const { return answered_; }

  private:
    bool Poll();

    std::function<bool(Gtk::Dialog&)> answer_;
    sigc::connection poll_;
    bool answered_ = false;
};

// A test with settings folders of its own, which builds the program in-process.
class GuiTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A new program with the stored settings, started on `file` (or on nothing); waits until the
    // book is open.
    Application& StartProgram(const std::string& file = "");
    // Runs the program's orderly end, as quitting does, and disposes of it.
    void QuitProgram();

    // A book of `chapters` chapters titled "Fixture", written into the test's folder.
    std::string WriteBook(const std::string& name, int chapters);

    TempDir dir_;
    std::unique_ptr<Application> program_;
};

}  // namespace quirelle::testing

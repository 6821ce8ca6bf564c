// GUI tests build the program's windows in this process; they need a display (xvfb-run).
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/init.h>

#include "platform/charset.hpp"

namespace {

class GtkEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        quirelle::UseUserLocale();
        gtk_disable_setlocale();
        ASSERT_TRUE(gtk_init_check()) << "GUI tests need a display: run them under xvfb-run";
        Gtk::init_gtkmm_internals();
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GtkEnvironment);
    return RUN_ALL_TESTS();
}

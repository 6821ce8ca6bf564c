// GUI tests build the program's windows in this process; they need a display (xvfb-run).
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/init.h>

#include <cstdlib>
#include <string_view>

#include "platform/charset.hpp"

namespace {

// GTK reports a misused widget (one already destroyed, say) as a critical message and carries
// on; in a test that is a failure of the test it happens in.
GLogWriterOutput FailOnCritical(GLogLevelFlags level, const GLogField* fields, gsize count,
                                gpointer data) {
    if (level & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR)) {
        for (gsize i = 0; i < count; ++i) {
            if (std::string_view(fields[i].key) == "MESSAGE" && fields[i].length < 0) {
                ADD_FAILURE() << static_cast<const char*>(fields[i].value);
            }
        }
    }
    return g_log_writer_default(level, fields, count, data);
}

class GtkEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        quirelle::UseUserLocale();
        gtk_disable_setlocale();
        g_set_prgname("quirelle-gui-tests");
        // A shared X server under load has been seen to refuse a connection now and then; that
        // is the test machine's trouble, not the program's, so a few tries are allowed. GTK
        // initialises itself once, display or not: when its display did not open, asking GTK
        // again would only say yes without one (and the first window would crash on the missing
        // settings), so the later tries open the display themselves.
        gtk_init_check();
        for (int attempt = 0; attempt < 5 && gdk_display_get_default() == nullptr; ++attempt) {
            g_usleep(200'000);
            if (GdkDisplay* opened = gdk_display_open(nullptr)) {
                gdk_display_manager_set_default_display(gdk_display_manager_get(), opened);
            }
        }
        const char* display = std::getenv("DISPLAY");
        ASSERT_NE(gdk_display_get_default(), nullptr)
            << "GUI tests need a display: run them under xvfb-run "
            << "(DISPLAY=" << (display ? display : "unset") << ")";
        Gtk::init_gtkmm_internals();
    }
};

}  // namespace

int main(int argc, char** argv) {
    g_log_set_writer_func(FailOnCritical, nullptr, nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GtkEnvironment);
    return RUN_ALL_TESTS();
}

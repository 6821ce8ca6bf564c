#include "gui_fixture.hpp"

#include <glibmm/main.h>
#include <gtkmm/label.h>

#include <chrono>
#include <cstdlib>

#include "platform/settings_store.hpp"
#include "support/book_fixture.hpp"

namespace quirelle::testing {

bool ProcessUntil(const std::function<bool()>& done) {
    const auto context = Glib::MainContext::get_default();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        if (!context->iteration(false)) {
            g_usleep(2000);
        }
    }
    return true;
}

void ProcessPending() {
    const auto context = Glib::MainContext::get_default();
    while (context->iteration(false)) {
    }
}

void Click(Gtk::Button& button) {
    g_signal_emit_by_name(button.gobj(), "clicked");
}

Gtk::Button* FindButton(Gtk::Widget& root, const std::string& label) {
    if (auto* button = dynamic_cast<Gtk::Button*>(&root)) {
        const auto* text = dynamic_cast<const Gtk::Label*>(button->get_child());
        if (button->get_label().raw() == label || (text && text->get_text().raw() == label)) {
            return button;
        }
    }
    for (Gtk::Widget* child = root.get_first_child(); child; child = child->get_next_sibling()) {
        if (Gtk::Button* found = FindButton(*child, label)) {
            return found;
        }
    }
    return nullptr;
}

DialogAnswerer::DialogAnswerer(std::function<bool(Gtk::Dialog&)> answer)
    : answer_(std::move(answer)) {
    poll_ = Glib::signal_timeout().connect(sigc::mem_fun(*this, &DialogAnswerer::Poll), 20);
}

DialogAnswerer::~DialogAnswerer() {
    poll_.disconnect();
}

bool DialogAnswerer::Poll() {
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
        auto* dialog = dynamic_cast<Gtk::Dialog*>(window);
        if (dialog && dialog->get_visible() && answer_(*dialog)) {
            answered_ = true;
            return false;
        }
    }
    return true;
}

void GuiTest::SetUp() {
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir_ / "runtime").c_str(), 1);
    setenv("XDG_STATE_HOME", (dir_ / "state").c_str(), 1);
}

void GuiTest::TearDown() {
    program_.reset();
    ProcessPending();
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("XDG_STATE_HOME");
}

Application& GuiTest::StartProgram(const std::string& file) {
    program_ = Application::Create();
    program_->Start(LoadSettings(), file);
    if (!file.empty()) {
        EXPECT_TRUE(ProcessUntil([&] { return program_->view().Data().book.archivePath == file; }))
            << "the book was never opened";
    }
    ProcessPending();
    return *program_;
}

void GuiTest::QuitProgram() {
    program_->Quit();
    program_->Run();
    program_.reset();
    ProcessPending();
}

std::string GuiTest::WriteBook(const std::string& name, int chapters) {
    std::string manifest, spine;
    std::vector<Member> pages;
    for (int i = 1; i <= chapters; ++i) {
        const std::string id = "c" + std::to_string(i);
        manifest += "<item id=\"" + id + "\" href=\"" + id +
                    ".xhtml\" media-type=\"application/xhtml+xml\"/>\n";
        spine += "<itemref idref=\"" + id + "\"/>\n";
        pages.push_back({"OEBPS/" + id + ".xhtml", XhtmlPage("<p>Chapter " + id + "</p>")});
    }
    const std::string path = (dir_ / name).string();
    WriteArchive(path, BookMembers(PackageDocument(manifest, spine), pages));
    return path;
}

}  // namespace quirelle::testing

// Input over the page: keys and the wheel move through the book and scroll the page, and a click
// follows the links under it.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

#include "package/archive.hpp"
#include "platform/charset.hpp"
#include "platform/paths.hpp"
#include "view/document_view.hpp"
#include "view/link_schemes.hpp"

namespace quirelle {

namespace {

constexpr double kScrollStep = 20.0;
constexpr double kShiftedScrollStep = 50.0;

// Whether (x, y) lies inside the link's rectangle, each edge taken as a whole pixel and the
// edges themselves inside.
bool Hits(const LinkRecord& link, double x, double y) {
    return std::trunc(link.x1) <= x && x <= std::trunc(link.x2) && std::trunc(link.y1) <= y &&
           y <= std::trunc(link.y2);
}

}  // namespace

void DocumentView::HandleKey(Key key, bool shifted) {
    const double step = shifted ? kShiftedScrollStep : kScrollStep;
    switch (key) {
        case Key::PageUp:
        case Key::Left:
            frontend_.StepPageSlider(-1);
            break;
        case Key::PageDown:
        case Key::Right:
            frontend_.StepPageSlider(1);
            break;
        case Key::Up:
        case Key::WheelUp:
            frontend_.ScrollPageBy(-step);
            break;
        case Key::Down:
        case Key::WheelDown:
            frontend_.ScrollPageBy(step);
            break;
        case Key::ScreenDown:
            MoveByScreen(1);
            break;
        case Key::ScreenUp:
            MoveByScreen(-1);
            break;
        case Key::Home:
            ScrollTo(0.0);
            break;
        case Key::End:
            ScrollTo(data_->scrollRange);
            break;
        case Key::Back:
            GoBack();
            break;
        case Key::Forward:
            GoForward();
            break;
    }
}

void DocumentView::PointerReleased(double deviceX, double deviceY) {
    const double x = data_->shownScale.LayoutX(deviceX);
    const double y = data_->shownScale.LayoutY(deviceY);
    // The links of the page as the user saw it: following one loads another page, whose links
    // the click never touched.
    std::vector<LinkRecord> hit;
    for (const LinkRecord& link : data_->links) {
        if (Hits(link, x, y)) {
            hit.push_back(link);
        }
    }
    for (const LinkRecord& link : hit) {
        FollowLink(link);
    }
}

void DocumentView::PointerMoved(double deviceX, double deviceY) {
    const double x = data_->shownScale.LayoutX(deviceX);
    const double y = data_->shownScale.LayoutY(deviceY);
    std::string shown;
    for (const LinkRecord& link : data_->links) {
        if (Hits(link, x, y)) {
            shown = link.Hlink;  // the last link drawn there is the one named
        }
    }
    if (shown != hoverText_) {
        hoverText_ = shown;
        frontend_.SetStatus(ToSystemCharset(shown).value_or(std::string()));
    }
}

void DocumentView::PlayAudioFile(std::string_view name) {
    ArchiveBuffer sound;
    if (name.empty() || !ArchiveOf(data_->book).Extract(name, sound)) {
        return;  // a missing member plays nothing
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(sound.data.get());
    PlayAudioData(std::vector<unsigned char>(bytes, bytes + sound.size));
}

void DocumentView::PlayAudioData(std::vector<unsigned char> data) {
    data_->audio.Play(std::move(data));
    data_->audioPaused = false;
}

void DocumentView::FollowLink(const LinkRecord& link) {
    if (link.Audio == 1) {
        switch (link.control) {
            case 0:
                PlayAudioFile(FilePart(link.Hlink));
                break;
            case 1:
                // The button follows the sound: it pauses what plays and resumes what is paused,
                // also after a new sound was started while the last one was paused.
                if (data_->audio.state() == AudioPlayer::State::Playing) {
                    data_->audio.Pause();
                } else {
                    data_->audio.Resume();
                }
                data_->audioPaused = data_->audio.state() == AudioPlayer::State::Paused;
                break;
            case 2:
                data_->audio.Stop();
                data_->audioPaused = false;
                break;
            default:
                break;
        }
        return;
    }
    if (link.Audio != 0) {
        return;
    }
    const std::string& target = link.Hlink;
    const std::string_view scheme = SchemeOf(target);
    if (scheme.empty()) {
        if (!ShowNote(link)) {
            Jump(target);
        }
        return;
    }
    std::string said;
    if (!OpensOnTheDesktop(scheme)) {
        said = "The link " + target + " was not opened: only web and mail addresses are.";
    } else if (!frontend_.OpenUrl(target)) {
        said = "The link " + target + " was not opened: no program on this desktop takes it.";
    }
    if (!said.empty()) {
        frontend_.SetStatus(ToSystemCharset(said).value_or(std::string()));
        std::fprintf(stderr, "quirelle: %s\n", said.c_str());
    }
}

}  // namespace quirelle

#include "view/page_links.hpp"

namespace quirelle {

std::vector<LinkRecord> LinkRecordsOf(const PageLayout& page, double scrollY, double top,
                                      double bottom) {
    std::vector<LinkRecord> records;
    for (const PlacedLink& link : page.links) {
        if (link.y + link.height <= top || link.y >= bottom) {
            continue;
        }
        LinkRecord record;
        record.x1 = link.x;
        record.x2 = link.x + link.width;
        record.y1 = link.y - scrollY;
        record.y2 = link.y + link.height - scrollY;
        record.Hlink = link.target;
        record.element = link.element;
        records.push_back(std::move(record));
    }
    for (const PlacedPicture& picture : page.pictures) {
        if (picture.kind != PlacedPicture::Kind::Audio || picture.y + picture.height <= top ||
            picture.y >= bottom) {
            continue;
        }
        for (int control = 0; control < 3; ++control) {
            LinkRecord record;
            record.x1 = picture.x + AudioButtonLeft(control);
            record.x2 = record.x1 + kAudioButtonSize;
            record.y1 = picture.y + kAudioButtonTop - scrollY;
            record.y2 = record.y1 + kAudioButtonSize;
            record.Audio = 1;
            record.control = control;
            record.Hlink = picture.source;
            record.Player = "controls";
            records.push_back(std::move(record));
        }
    }
    return records;
}

}  // namespace quirelle

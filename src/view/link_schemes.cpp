#include "view/link_schemes.hpp"

#include <algorithm>
#include <cctype>

namespace quirelle {

std::string_view SchemeOf(std::string_view target) {
    const std::size_t colon = target.find(':');
    if (colon == std::string_view::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(target[0]))) {
        return {};
    }
    const std::string_view scheme = target.substr(0, colon);
    for (const char c : scheme) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
            return {};
        }
    }
    return scheme;
}

bool OpensOnTheDesktop(std::string_view scheme) {
    for (const std::string_view allowed : {"http", "https", "ftp", "ftps", "mailto"}) {
        if (scheme.size() == allowed.size() &&
            std::equal(scheme.begin(), scheme.end(), allowed.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            })) {
            return true;
        }
    }
    return false;
}

}  // namespace quirelle

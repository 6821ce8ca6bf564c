#include "platform/charset.hpp"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstring>

namespace quirelle {

namespace {

bool IsUtf8(const char* codeset) {
    return strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "UTF8") == 0;
}

std::optional<std::string> Convert(std::string_view text, const char* to, const char* from) {
    if (IsUtf8(to) && IsUtf8(from)) {
        return std::string(text);
    }
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string output;
    std::string input(text);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char chunk[1024];
    bool failed = false;
    while (inLeft > 0) {
        char* out = chunk;
        std::size_t outLeft = sizeof chunk;
        const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        output.append(chunk, sizeof chunk - outLeft);
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            failed = true;
            break;
        }
    }
    char* out = chunk;
    std::size_t outLeft = sizeof chunk;
    iconv(converter, nullptr, nullptr, &out, &outLeft);
    output.append(chunk, sizeof chunk - outLeft);
    iconv_close(converter);
    if (failed) {
        return std::nullopt;
    }
    return output;
}

}  // namespace

std::optional<std::string> ToSystemCharset(std::string_view utf8) {
    // Characters the locale cannot show are approximated rather than losing the whole text.
    const std::string target = std::string(nl_langinfo(CODESET)) + "//TRANSLIT";
    if (IsUtf8(nl_langinfo(CODESET))) {
        return std::string(utf8);
    }
    return Convert(utf8, target.c_str(), "UTF-8");
}

std::optional<std::string> FromSystemCharset(std::string_view text) {
    return Convert(text, "UTF-8", nl_langinfo(CODESET));
}

void UseUserLocale() {
    std::setlocale(LC_ALL, "");
    const char* ctype = std::setlocale(LC_CTYPE, nullptr);
    if (ctype == nullptr || std::strcmp(ctype, "C") == 0 || std::strcmp(ctype, "POSIX") == 0) {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
}

}  // namespace quirelle

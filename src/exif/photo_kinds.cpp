#include "exif/photo_kinds.h"

namespace tovrin {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(std::string_view text, std::string_view lowerCase) {
    if (text.size() != lowerCase.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (lower(text[i]) != lowerCase[i]) return false;
    return true;
}

}  // namespace

const PhotoKind* PhotoKindOfName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return nullptr;
    const std::string_view extension = name.substr(dot + 1);
    for (const PhotoKind& kind : PhotoKinds)
        if (sameIgnoringCase(extension, kind.extension)) return &kind;
    return nullptr;
}

std::string PhotoNamePattern() {
    std::string pattern;
    for (const PhotoKind& kind : PhotoKinds) {
        if (!pattern.empty()) pattern += ';';
        pattern += "*.";
        pattern += kind.extension;
    }
    return pattern;
}

}  // namespace tovrin

#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "messages/message_boxes.h"
#include "platform.h"
#include "test_files.h"

namespace tovrin::test {

struct ShownBox {
    std::string text;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    std::string title = AppTitle;
    friend bool operator==(const ShownBox&, const ShownBox&) = default;
    friend void PrintTo(const ShownBox& b, std::ostream* os) {
        *os << '"' << b.text << "\" " << int(b.buttons) << int(b.icon) << " \"" << b.title << '"';
    }
};
using Boxes = std::vector<ShownBox>;

// Records every box and answers OK/Cancel boxes with okCancelAnswer. Tests
// compare the whole record, so a box that should not have appeared fails.
class FakeBoxes : public MessageBoxes {
public:
    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override {
        shown.push_back({text, buttons, icon, title});
        return buttons == MsgButtons::OkCancel ? okCancelAnswer : MsgAnswer::Ok;
    }

    Boxes shown;
    MsgAnswer okCancelAnswer = MsgAnswer::Ok;
};

inline std::string FileText(const std::string& path) { return ToText(ReadBytes(path)); }

// A UTF-8 text as the log holds it: unchanged here, in the ANSI code page on
// Windows, converted by the system.
inline std::string InLogEncoding(const std::string& utf8) {
#ifdef _WIN32
    const std::wstring wide = NativePath(utf8).wstring();
    const int size =
        ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), size, nullptr, nullptr);
    text.pop_back();  // the terminating NUL
    return text;
#else
    return utf8;
#endif
}
inline void Touch(const std::string& path) { WriteBytes(path, {}); }

// Immutable while the object lives; a test skips when ok is false.
struct Immutable {
    explicit Immutable(std::string p) : path(std::move(p)), ok(SetImmutable(path, true)) {}
    ~Immutable() {
        if (ok) SetImmutable(path, false);
    }
    const std::string path;
    const bool ok;
};

}  // namespace tovrin::test

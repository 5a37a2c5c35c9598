#pragma once

#include <string>

namespace tovrin {

enum class MsgButtons { Ok, OkCancel };
enum class MsgIcon { None, Information, Exclamation, Critical };
enum class MsgAnswer { Ok, Cancel };

// Every message the system shows goes through this one interface, so that the
// engine and the run never call a dialog themselves and tests can script the
// answers. Texts are UTF-8 and use CR LF for line breaks.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                           const std::string& title) = 0;
};

// The title of a message box that has none of its own.
inline const std::string AppTitle = "Tovrin";

}  // namespace tovrin

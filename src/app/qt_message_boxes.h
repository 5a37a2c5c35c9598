#pragma once

#include <string>

#include "messages/message_boxes.h"

class QMessageBox;
class QWidget;

namespace tovrin {

// Gives a message box its text (CR LF shown as a line break), buttons, icon
// and title. Kept apart from showing it so the look can be checked unshown.
void PrepareMessageBox(QMessageBox& box, const std::string& text, MsgButtons buttons, MsgIcon icon,
                       const std::string& title);

// The real message boxes: modal, owned by the window that is active when the
// box is asked for (the main window, or the viewer while it is open).
class QtMessageBoxes : public MessageBoxes {
public:
    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override;
};

}  // namespace tovrin

#pragma once

#include <string>
#include <vector>

#include "message_boxes.h"

namespace tovrin::test {

// Records every box the component shows and answers OK.
class RecordingBoxes : public MessageBoxes {
public:
    struct Box {
        std::string text;
        MsgButtons buttons;
        MsgIcon icon;
        std::string title;
    };

    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override {
        shown.push_back({text, buttons, icon, title});
        return MsgAnswer::Ok;
    }

    std::vector<Box> shown;
};

}  // namespace tovrin::test

#pragma once

#include <deque>
#include <string>
#include <vector>

#include "message_boxes.h"

namespace tovrin::test {

struct ShownBox {
    std::string text;
    MsgButtons buttons;
    MsgIcon icon;
    std::string title;
};

// Message boxes for tests: every box is recorded; the answers come from a
// script, and a box that finds the script empty counts as unexpected (and is
// answered OK, or Cancel where it has one, so nothing is changed by accident).
class ScriptedBoxes : public MessageBoxes {
public:
    void answer(MsgAnswer a) { m_script.push_back(a); }

    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override {
        shown.push_back({text, buttons, icon, title});
        if (m_script.empty()) {
            ++unexpected;
            return buttons == MsgButtons::OkCancel ? MsgAnswer::Cancel : MsgAnswer::Ok;
        }
        const MsgAnswer a = m_script.front();
        m_script.pop_front();
        return a;
    }

    std::size_t unanswered() const { return m_script.size(); }
    void clear() {
        shown.clear();
        m_script.clear();
        unexpected = 0;
    }

    std::vector<ShownBox> shown;
    int unexpected = 0;

private:
    std::deque<MsgAnswer> m_script;
};

}  // namespace tovrin::test

#pragma once

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "run_host.h"
#include "run_test_support.h"

namespace tovrin::test {

// A file list over a plain vector. It records what the run asks of the window
// as readable events ("select a.jpg", "readout a.jpg", "info …", "clear",
// "fit /path", "reload", "select first") and lets a test hook faults into the
// selection, the readout and the thumbnail.
class FakeRunHost : public RunHost {
public:
    std::string folder() const override { return listFolder; }
    int fileCount() const override { return static_cast<int>(names.size()); }
    std::string fileName(int index) const override { return names.at(index); }
    bool isSelected(int index) const override { return selected.at(index); }

    void selectInCode(int index) override {
        selected.at(index) = true;
        current = index;
        events.push_back("select " + names[index]);
        if (onSelectInCode) onSelectInCode(index);
        File1_Click();
    }

    void reloadFileList() override {
        events.push_back("reload");
        names.clear();
        for (const auto& entry : std::filesystem::directory_iterator(listFolder)) {
            if (entry.is_regular_file() && entry.path().extension() == ".jpg") {
                names.push_back(entry.path().filename().string());
            }
        }
        std::sort(names.begin(), names.end());
        selected.assign(names.size(), false);
        current = -1;
    }

    void selectFirstEntry() override {
        if (names.empty()) return;
        selected.assign(names.size(), false);
        selected[0] = true;
        current = 0;
        events.push_back("select first");
        File1_Click();
    }

    void File1_Click() override {
        ++readouts;
        events.push_back("readout " + (current >= 0 ? names[current] : std::string()));
        if (onReadout) onReadout(readouts);
    }

    DateChoice dateChoice() const override { return choice; }
    bool ChkIkkatu() const override { return ikkatu; }

    void setExifInfoText(const std::string& text) override { events.push_back("info " + text); }
    void clearThumbnail() override { events.push_back("clear"); }
    void FitThumbnail(const std::string& fullPath) override {
        events.push_back("fit " + fullPath);
        if (onFit) onFit(fullPath);
    }

    MessageBoxes& messageBoxes() override { return boxes; }
    std::string applicationFolder() const override { return appFolder; }
    LocalDateTime now() const override { return clock; }

    // The list as the user left it.
    void setList(const std::vector<std::string>& entries, const std::vector<int>& chosen) {
        names = entries;
        selected.assign(names.size(), false);
        for (const int i : chosen) selected.at(i) = true;
        current = chosen.empty() ? -1 : chosen.back();
    }

    std::vector<std::string> eventsStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& e : events) {
            if (e.rfind(prefix, 0) == 0) found.push_back(e);
        }
        return found;
    }

    std::string listFolder;
    std::vector<std::string> names;
    std::vector<bool> selected;
    int current = -1;
    DateChoice choice;
    bool ikkatu = false;
    FakeBoxes boxes;
    std::string appFolder;
    LocalDateTime clock;
    std::vector<std::string> events;
    int readouts = 0;
    std::function<void(int index)> onSelectInCode;
    std::function<void(int readoutNumber)> onReadout;
    std::function<void(const std::string& fullPath)> onFit;
};

}  // namespace tovrin::test

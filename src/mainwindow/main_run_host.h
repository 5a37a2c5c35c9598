#pragma once

#include <exception>
#include <string>

#include <QString>

#include "run/run_host.h"

namespace tovrin {

class PhotoReadout;
struct MainControls;

// The main window as the date-setting run sees it: the file list, the
// choices on the settings panel, the readout and the thumbnail.
class MainRunHost : public RunHost {
public:
    MainRunHost(const MainControls& controls, PhotoReadout& readout, MessageBoxes& boxes,
                const QString& applicationFolder);

    // The readout the file list raises. While the run selects entries in code
    // the first error is kept and thrown to the run once the selecting call
    // has returned, so it never unwinds through the list's own code; at any
    // other time an error shows its box.
    void readoutFromList();

    std::string folder() const override;
    int fileCount() const override;
    std::string fileName(int index) const override;
    bool isSelected(int index) const override;
    void selectInCode(int index) override;
    void reloadFileList() override;
    void selectFirstEntry() override;
    void File1_Click() override;
    DateChoice dateChoice() const override;
    bool wholeFolderChecked() const override;
    void setExifInfoText(const std::string& text) override;
    void clearThumbnail() override;
    void FitThumbnail(const std::string& fullPath) override;
    MessageBoxes& messageBoxes() override { return m_boxes; }
    std::string applicationFolder() const override;

private:
    // Runs `select` with the readouts it raises deferred (see readoutFromList).
    template <typename Select>
    void selectPropagatingReadoutErrors(Select select);

    const MainControls& m_ui;
    PhotoReadout& m_readout;
    MessageBoxes& m_boxes;
    QString m_applicationFolder;
    bool m_deferReadoutErrors = false;
    std::exception_ptr m_deferredReadoutError;
};

}  // namespace tovrin

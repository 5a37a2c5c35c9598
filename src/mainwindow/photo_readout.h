#pragma once

#include <functional>
#include <utility>

#include <QString>

#include "exif/reader.h"
#include "exif/runtime_error.h"

namespace tovrin {

class MessageBoxes;
struct MainControls;

// The photo information readout: the file list's current entry read into the
// record of the photo read last, its 14 lines in txt_Exif_Info, its dates in
// the hidden holding fields and its picture in the thumbnail.
class PhotoReadout {
public:
    PhotoReadout(const MainControls& controls, MessageBoxes& boxes);

    // Called after the readout re-read the file list because a listed photo
    // had gone (its folder may have gone with it).
    void setListReloaded(std::function<void()> hook) { m_listReloaded = std::move(hook); }

    // The readout of the current entry; nothing is shown for several selected
    // entries, and a listed file that has gone refreshes the list instead. An
    // error while reading or decoding propagates to the caller.
    void read();
    // The same for a readout nobody else reports: an error shows a box, the
    // information and the thumbnail are cleared, and the program goes on.
    void show();
    // Empties the information and the thumbnail.
    void clear();

    // txt_Exif_Info's text, with CR LF line breaks.
    QString text() const;
    void setText(const QString& crlfText);
    const PhotoInfo& photoInfo() const { return m_photoInfo; }

private:
    void report(const RuntimeError& failure);

    const MainControls& m_ui;
    MessageBoxes& m_boxes;
    PhotoInfo m_photoInfo;
    std::function<void()> m_listReloaded;
};

}  // namespace tovrin

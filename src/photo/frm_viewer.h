#pragma once

#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QMenuBar;

namespace tovrin {

class MessageBoxes;
class PictureBox;
class RuntimeError;

// The photo viewer: a resizable modal window over the main window that shows one photo fitted to
// its client area, refitted on every change of size, or at its actual size on command. The photo
// is decoded afresh from its file for every fit, at the size it is shown; nothing is cached.
//
// A photo that can no longer be decoded (changed or removed after the thumbnail was shown) is
// reported in a message box; the viewer stays open and usable, showing no picture.
class FrmViewer : public QDialog {
    Q_OBJECT

public:
    // Client area at design size, in pixels (7410 x 5505 twips).
    static constexpr int DesignClientWidth = 494;
    static constexpr int DesignClientHeight = 367;

    // Creates the viewer for the photo at fullPath, owned by `owner`; the caption is the photo's
    // file name. Showing it (show() or exec()) produces the first fit.
    FrmViewer(QWidget* owner, const QString& fullPath, MessageBoxes& boxes);
    ~FrmViewer() override;

    // Opens the viewer modally over `owner` and returns when the user has closed it; the
    // window is destroyed then, so the next opening starts again at design size in fit mode.
    static void openModal(QWidget* owner, const QString& fullPath, MessageBoxes& boxes);

    // The stored path (the window's tag).
    const QString& path() const { return m_path; }

    // The viewer's fit routine: the thumbnail's fit rule with Img_Viewer in lbl_PicBack.
    void FitToWindow(const QString& path);

    // "写真実寸サイズ(&O)": sizes the window so that its outer size is the photo's natural size,
    // the photo pinned at the client area's top-left corner (its right and bottom edges are cut
    // off by the frame and the menu bar). A maximized or minimized window is restored first.
    void PhotoOriginSize_Click();

    PictureBox* imgViewer() const { return m_imgViewer; }
    QLabel* lblPicBack() const { return m_lblPicBack; }
    QWidget* clientArea() const { return m_client; }
    QAction* mnuClose() const { return m_mnuClose; }
    QAction* photoOriginSize() const { return m_photoOriginSize; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Resize();
    void report(const RuntimeError& failure);

    QString m_path;
    MessageBoxes& m_boxes;
    // OriginSize: the photo is shown at its natural size.
    bool m_showsNaturalSize = false;
    bool m_reportPending = false;

    QMenuBar* m_menuBar = nullptr;
    QAction* m_mnuClose = nullptr;
    QAction* m_photoOriginSize = nullptr;
    QWidget* m_client = nullptr;
    QLabel* m_lblPicBack = nullptr;
    PictureBox* m_imgViewer = nullptr;
};

}  // namespace tovrin

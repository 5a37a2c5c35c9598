#pragma once

#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QMenuBar;
class QScrollArea;

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

    // A photo of a kind that has no picture here (a movie, a raw file without a preview, a
    // format this build cannot decode) shows the reader's notice over the panel instead, and
    // the actual-size command leaves it so.
    //
    // "写真実寸サイズ(&O)": shows the photo at its natural size from the client area's top-left
    // corner, the window sized to it but never beyond the screen it is on; a photo larger than
    // that scrolls. The window is moved only as far as it takes to keep it on the screen. A
    // maximized or minimized window is restored first. The next change of the window's size
    // that the user makes fits the photo again.
    void PhotoOriginSize_Click();

    PictureBox* imgViewer() const { return m_imgViewer; }
    QLabel* lblPicBack() const { return m_lblPicBack; }
    // The area the photo is shown in; larger than the window's inside while an actual-size
    // photo scrolls.
    QWidget* clientArea() const { return m_client; }
    QScrollArea* scrollArea() const { return m_scroll; }
    QAction* mnuClose() const { return m_mnuClose; }
    QAction* photoOriginSize() const { return m_photoOriginSize; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Resize();
    // Decodes the part of an actual-size photo that is in view, with a view's size around it,
    // unless what is decoded already covers it.
    void showPartInView();
    void report(const RuntimeError& failure);

    QString m_path;
    MessageBoxes& m_boxes;
    // OriginSize: true only while the actual-size command sizes the window.
    bool m_originSize = false;
    // The photo is shown at its natural size, m_natural, until the window takes another size
    // than m_naturalWindow, the one the command gave it.
    bool m_naturalView = false;
    QSize m_natural;
    QSize m_naturalWindow;
    bool m_reportPending = false;

    QMenuBar* m_menuBar = nullptr;
    QScrollArea* m_scroll = nullptr;
    QAction* m_mnuClose = nullptr;
    QAction* m_photoOriginSize = nullptr;
    QWidget* m_client = nullptr;
    QLabel* m_lblPicBack = nullptr;
    PictureBox* m_imgViewer = nullptr;
};

}  // namespace tovrin

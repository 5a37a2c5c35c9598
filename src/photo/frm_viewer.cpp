#include "photo/frm_viewer.h"

#include <string>

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

#include "exif/runtime_error.h"
#include "messages/error_report.h"
#include "messages/message_boxes.h"
#include "photo/picture_box.h"
#include "photo/picture_reader.h"
#include "photo/picture_size_edit.h"

namespace tovrin {

namespace {

// Design rectangle of the image and the panel (0, 0, 1815, 1725 twips); both are placed at run
// time, the panel over the whole client area on every resize.
constexpr QRect DesignPictureRect(0, 0, 121, 115);

}  // namespace

FrmViewer::FrmViewer(QWidget* owner, const QString& fullPath, MessageBoxes& boxes)
    : QDialog(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_path(fullPath),
      m_boxes(boxes) {
    setModal(true);
    setSizeGripEnabled(false);
    setWindowTitle(QFileInfo(fullPath).fileName());

    // Two top-level commands, no submenus.
    m_menuBar = new QMenuBar(this);
    m_mnuClose = m_menuBar->addAction(QStringLiteral("閉じる(&C)"));
    m_photoOriginSize = m_menuBar->addAction(QStringLiteral("写真実寸サイズ(&O)"));
    connect(m_mnuClose, &QAction::triggered, this, &QDialog::close);
    connect(m_photoOriginSize, &QAction::triggered, this, &FrmViewer::PhotoOriginSize_Click);

    m_client = new QWidget(this);
    m_lblPicBack = new QLabel(QStringLiteral("Label1"), m_client);
    m_lblPicBack->setGeometry(DesignPictureRect);
    m_lblPicBack->setAutoFillBackground(true);
    // The panel's caption is drawn in its own background colour, so no text shows.
    QPalette panel = m_lblPicBack->palette();
    const QColor buttonText = panel.color(QPalette::ButtonText);
    panel.setColor(QPalette::Window, buttonText);
    panel.setColor(QPalette::WindowText, buttonText);
    m_lblPicBack->setPalette(panel);

    m_imgViewer = new PictureBox(m_client);
    m_imgViewer->setGeometry(DesignPictureRect);
    m_imgViewer->raise();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_client, 1);

    m_client->installEventFilter(this);
    resize(DesignClientWidth, DesignClientHeight + m_menuBar->heightForWidth(DesignClientWidth));
}

FrmViewer::~FrmViewer() = default;

void FrmViewer::openModal(QWidget* owner, const QString& fullPath, MessageBoxes& boxes) {
    FrmViewer viewer(owner, fullPath, boxes);
    viewer.exec();
}

bool FrmViewer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client && event->type() == QEvent::Resize) {
        Form_Resize();
    }
    return QDialog::eventFilter(watched, event);
}

void FrmViewer::Form_Resize() {
    m_lblPicBack->setGeometry(0, 0, m_client->width(), m_client->height());
    if (m_showsNaturalSize) {
        // The actual-size command is sizing the window: keep the photo unscaled at the corner.
        m_imgViewer->move(m_lblPicBack->pos());
        return;
    }
    FitToWindow(m_path);
}

void FrmViewer::FitToWindow(const QString& path) {
    // The panel lies at the client area's origin, so the thumbnail's rule places the photo the
    // same way without the box offset.
    try {
        FitThumbnail(*m_imgViewer, twipsFromPixels(m_lblPicBack->geometry()), path);
    } catch (const RuntimeError& failure) {
        report(failure);
    }
}

void FrmViewer::PhotoOriginSize_Click() {
    // The platform refuses to resize a maximized or minimized window, so restore it first.
    if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) {
        showNormal();
    }
    m_showsNaturalSize = true;
    try {
        PictureReader reader(m_path);
        const QSize natural = reader.naturalSize();
        m_imgViewer->hide();
        m_imgViewer->setStretch(false);
        // The photo's size is the window's outer size, frame included; our own size is less
        // the frame that the platform draws around it. Height first, then width.
        const QSize frame = frameGeometry().size() - geometry().size();
        resize(width(), natural.height() - frame.height());
        resize(natural.width() - frame.width(), natural.height() - frame.height());

        // Decoded after the sizing, so that only the part the client area really shows (the
        // platform may have kept the window larger or smaller) is decoded, at full scale.
        QRect seen =
            QRect(QPoint(0, 0), m_client->size()).intersected(QRect(QPoint(0, 0), natural));
        if (seen.isEmpty()) {
            seen = QRect(0, 0, 1, 1);
        }
        m_imgViewer->setPicture(reader.decodeClip(seen), natural, seen);
        m_imgViewer->move(m_lblPicBack->pos());
        m_imgViewer->show();
        m_imgViewer->setStretch(true);
    } catch (const RuntimeError& failure) {
        m_imgViewer->hide();
        m_imgViewer->clearPicture();
        report(failure);
    }
    m_showsNaturalSize = false;
}

void FrmViewer::report(const RuntimeError& failure) {
    // One box at a time: the window can go on being resized while a box is up, and each refit
    // of a photo that no longer decodes would otherwise stack another box over it. The box is
    // shown after the handler that failed has returned, not inside a resize.
    if (m_reportPending) {
        return;
    }
    m_reportPending = true;
    const std::string text = "Error\r\n" + RuntimeErrorText(failure);
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            m_boxes.show(text, MsgButtons::Ok, MsgIcon::Critical, AppTitle);
            m_reportPending = false;
        },
        Qt::QueuedConnection);
}

}  // namespace tovrin

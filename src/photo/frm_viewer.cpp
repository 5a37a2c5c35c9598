#include "photo/frm_viewer.h"

#include <algorithm>
#include <string>

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
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

// The frame rectangle of the window that shows a photo of `natural` pixels at actual size. Its
// inside is the photo plus the menu bar (`chrome`) as far as the available part of the screen
// allows, and never less than the window's `minimum`; where the photo does not fit, it scrolls,
// and the scroll bar takes its room from the other direction. The window keeps its corner unless
// that would put part of it off the screen.
QRect NaturalViewFrame(QSize natural, QSize chrome, const QMargins& frame, QPoint corner,
                       const QRect& available, int scrollBar, QSize minimum) {
    const QSize room = available.size().shrunkBy(frame) - chrome;
    bool across = natural.width() > room.width();
    bool down = natural.height() > room.height();
    down = down || (across && natural.height() + scrollBar > room.height());
    across = across || (down && natural.width() + scrollBar > room.width());
    const QSize view =
        QSize(natural.width() + (down ? scrollBar : 0), natural.height() + (across ? scrollBar : 0))
            .boundedTo(room);
    QRect placed(corner, (view + chrome).expandedTo(minimum).grownBy(frame));
    placed.moveRight(std::min(placed.right(), available.right()));
    placed.moveBottom(std::min(placed.bottom(), available.bottom()));
    placed.moveLeft(std::max(placed.left(), available.left()));
    placed.moveTop(std::max(placed.top(), available.top()));
    return placed;
}

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

    // The photo's area scrolls only while an actual-size photo is larger than the window; a
    // fitted photo never needs the scroll bars.
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(false);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_client = new QWidget;
    m_lblPicBack = new QLabel(QStringLiteral("Label1"), m_client);
    m_lblPicBack->setGeometry(DesignPictureRect);
    m_lblPicBack->setAutoFillBackground(true);
    // The panel's caption is drawn in its own background colour, so no text shows.
    QPalette panel = m_lblPicBack->palette();
    const QColor buttonText = panel.color(QPalette::ButtonText);
    panel.setColor(QPalette::Window, buttonText);
    panel.setColor(QPalette::WindowText, buttonText);
    m_lblPicBack->setPalette(panel);
    m_scroll->viewport()->setPalette(panel);
    m_scroll->viewport()->setAutoFillBackground(true);

    m_imgViewer = new PictureBox(m_client);
    m_imgViewer->setGeometry(DesignPictureRect);
    m_imgViewer->raise();
    m_scroll->setWidget(m_client);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_scroll, 1);

    m_scroll->viewport()->installEventFilter(this);
    connect(m_scroll->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &FrmViewer::showPartInView);
    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &FrmViewer::showPartInView);
    resize(DesignClientWidth, DesignClientHeight + m_menuBar->heightForWidth(DesignClientWidth));
}

FrmViewer::~FrmViewer() = default;

void FrmViewer::openModal(QWidget* owner, const QString& fullPath, MessageBoxes& boxes) {
    FrmViewer viewer(owner, fullPath, boxes);
    viewer.exec();
}

bool FrmViewer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize) {
        Form_Resize();
    }
    return QDialog::eventFilter(watched, event);
}

void FrmViewer::Form_Resize() {
    // The window took another size than the actual-size command gave it (the user dragged a
    // border, maximized or restored it): the photo is fitted again.
    if (m_naturalView && !m_originSize && size() != m_naturalWindow) {
        m_naturalView = false;
        m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    const QSize view = m_scroll->viewport()->size();
    if (m_naturalView) {
        // The photo unscaled at the corner; the panel fills whatever it leaves.
        m_client->resize(m_natural.expandedTo(view));
        m_lblPicBack->setGeometry(0, 0, m_client->width(), m_client->height());
        m_imgViewer->move(0, 0);
        showPartInView();
        return;
    }
    m_client->resize(view);
    m_lblPicBack->setGeometry(0, 0, view.width(), view.height());
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
    try {
        const PictureReader reader(m_path);
        if (!reader.hasPicture()) {
            // Nothing to show at its size: the notice stays as the fit shows it.
            FitToWindow(m_path);
            return;
        }
        m_natural = reader.naturalSize();
    } catch (const RuntimeError& failure) {
        m_imgViewer->hide();
        m_imgViewer->clearPicture();
        report(failure);
        return;
    }
    const QRect inside = geometry();
    const QRect outside = frameGeometry();
    const QMargins frame(inside.left() - outside.left(), inside.top() - outside.top(),
                         outside.right() - inside.right(), outside.bottom() - inside.bottom());
    const QRect available = screen()->availableGeometry();
    const QRect placed =
        NaturalViewFrame(m_natural, size() - m_scroll->size(), frame, outside.topLeft(), available,
                         style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll),
                         minimumSizeHint().expandedTo(minimumSize()));

    m_originSize = true;
    m_naturalView = true;
    m_imgViewer->hide();
    m_imgViewer->clearPicture();
    m_imgViewer->setStretch(false);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_naturalWindow = placed.size().shrunkBy(frame);
    resize(m_naturalWindow);
    move(placed.topLeft());
    m_originSize = false;
    // Only the part in view is decoded, at full scale; scrolling decodes more.
    Form_Resize();
}

void FrmViewer::showPartInView() {
    if (!m_naturalView || m_originSize) {
        return;
    }
    const QRect photo(QPoint(0, 0), m_natural);
    const QSize view = m_scroll->viewport()->size();
    const QPoint offset(m_scroll->horizontalScrollBar()->value(),
                        m_scroll->verticalScrollBar()->value());
    const QRect seen = QRect(offset, view).intersected(photo);
    if (seen.isEmpty() || (m_imgViewer->hasPicture() && m_imgViewer->region().contains(seen))) {
        return;
    }
    // A view's width and height around what is seen: a scroll by less than a view needs no
    // decoding, and a very large photo is never held whole.
    const QRect around = seen.adjusted(-view.width(), -view.height(), view.width(), view.height())
                             .intersected(photo);
    try {
        PictureReader reader(m_path);
        m_imgViewer->setPicture(reader.decodeClip(around), m_natural, around);
        m_imgViewer->show();
    } catch (const RuntimeError& failure) {
        m_imgViewer->hide();
        m_imgViewer->clearPicture();
        report(failure);
    }
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

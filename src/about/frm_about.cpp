#include "about/frm_about.h"

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "ui/fonts.h"

namespace tovrin {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRectF& twips) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(PixelsFromTwips(twips));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

}  // namespace

FrmAbout::FrmAbout(QWidget* owner) : FrmAbout(ApplicationIdentity(), owner) {}

FrmAbout::FrmAbout(const AppIdentity& identity, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint) {
    buildControls();
    Form_Load(identity);
}

void FrmAbout::buildControls() {
    const AboutDesign design = AboutDesignTwips();
    setObjectName(QStringLiteral("FrmAbout"));
    setModal(true);
    setFont(QFont(MsPGothicFamily(), 9));
    setFixedSize(PixelsFromTwips(design.client).size());
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));

    m_picIcon = MakeLabel(this, "picIcon", QString(), design.picIcon);
    m_picIcon->setWordWrap(false);
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull()) {
        m_picIcon->setPixmap(icon.pixmap(QSize(32, 32)));
    }
    m_lblTitle = MakeLabel(this, "lblTitle", QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ ﾀｲﾄﾙ"), design.lblTitle);
    m_lblVersion = MakeLabel(this, "lblVersion", QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), design.lblVersion);
    m_lblDescription =
        MakeLabel(this, "lblDescription", QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの説明"), design.lblDescription);
    m_lblDisclaimer =
        MakeLabel(this, "lblDisclaimer", QStringLiteral("警告: ..."), design.lblDisclaimer);
    m_lblDisclaimer->hide();

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setGeometry(PixelsFromTwips(design.cmdOK));
    m_cmdOK->setDefault(true);
    connect(m_cmdOK, &QPushButton::clicked, this, &FrmAbout::cmdOK_Click);
}

void FrmAbout::Form_Load(const AppIdentity& identity) {
    setWindowTitle(AboutCaption(identity.title));
    m_lblTitle->setText(identity.title);
    m_lblVersion->setText(AboutVersionText(identity.major, identity.minor, identity.revision));
}

void FrmAbout::cmdOK_Click() { accept(); }

void FrmAbout::keyPressEvent(QKeyEvent* event) {
    // OK is the cancel button as well: Esc clicks it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FrmAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // Two lines one pixel apart make the etched separator above the button.
    const AboutDesign design = AboutDesignTwips();
    QPainter painter(this);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawLine(PixelsFromTwips(design.etchDark));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(PixelsFromTwips(design.etchLight));
}

void ShowAbout(QWidget* owner) {
    FrmAbout dialog(owner);
    dialog.exec();
}

}  // namespace tovrin

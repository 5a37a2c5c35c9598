#include "about/about_model.h"

#include <QCoreApplication>
#include <QStringList>

#include "ui/twips.h"

namespace tovrin {

AppIdentity ApplicationIdentity() {
    AppIdentity identity;
    identity.title = QCoreApplication::applicationName();
    const QStringList parts = QCoreApplication::applicationVersion().split(u'.');
    int* const numbers[] = {&identity.major, &identity.minor, &identity.revision};
    for (qsizetype i = 0; i < parts.size() && i < 3; ++i) {
        *numbers[i] = parts.at(i).toInt();
    }
    return identity;
}

QString AboutCaption(const QString& title) { return title + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"); }

QString AboutVersionText(int major, int minor, int revision) {
    return QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3").arg(major).arg(minor).arg(revision);
}

AboutDesign AboutDesignTwips() {
    AboutDesign design;
    design.client = QRectF(0, 0, 5730, 3555);
    design.picIcon = QRectF(270, 240, 540, 540);
    design.lblTitle = QRectF(1050, 240, 3885, 480);
    design.lblVersion = QRectF(1050, 780, 3885, 225);
    design.lblDescription = QRectF(1050, 1125, 3885, 1170);
    design.etchDark = QLineF(90, 2445, 5654, 2445);
    design.etchLight = QLineF(105, 2460, 5654, 2460);
    design.lblDisclaimer = QRectF(255, 2625, 3870, 780);
    design.cmdOK = QRectF(4245, 3000, 1380, 345);
    return design;
}

QRect PixelsFromTwips(const QRectF& twips) {
    return QRect(TwipsToPixels(twips.left()), TwipsToPixels(twips.top()),
                 TwipsToPixels(twips.width()), TwipsToPixels(twips.height()));
}

QLine PixelsFromTwips(const QLineF& twips) {
    return QLine(TwipsToPixels(twips.x1()), TwipsToPixels(twips.y1()), TwipsToPixels(twips.x2()),
                 TwipsToPixels(twips.y2()));
}

}  // namespace tovrin

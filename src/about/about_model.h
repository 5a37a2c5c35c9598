#pragma once

#include <QLineF>
#include <QRect>
#include <QRectF>
#include <QString>

namespace tovrin {

// The application's title and version as the dialog names them.
struct AppIdentity {
    QString title;
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// From the application object: its name and its "major.minor.revision" version
// (missing or unreadable parts count as 0).
AppIdentity ApplicationIdentity();

// "<title>のﾊﾞｰｼﾞｮﾝ情報", the dialog's caption.
QString AboutCaption(const QString& title);
// "ﾊﾞｰｼﾞｮﾝ 1.0.2": the numbers in plain decimal, no padding.
QString AboutVersionText(int major, int minor, int revision);

// The dialog's design, in twips (rectangles as left, top, width, height).
struct AboutDesign {
    QRectF client;
    QRectF picIcon;
    QRectF lblTitle;
    QRectF lblVersion;
    QRectF lblDescription;
    QLineF etchDark;   // grey, on top
    QLineF etchLight;  // white, one pixel below and to the right
    QRectF lblDisclaimer;
    QRectF cmdOK;
};
AboutDesign AboutDesignTwips();

// A design rectangle or line in pixels, each coordinate to the nearest pixel.
QRect PixelsFromTwips(const QRectF& twips);
QLine PixelsFromTwips(const QLineF& twips);

}  // namespace tovrin

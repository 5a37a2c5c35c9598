#include "button/run_button_face.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPushButton>

namespace tovrin {

void DrawRunButtonFace(QPushButton& button) {
    const QString caption = button.text();
    button.setText(QString());
    // The button keeps this much of its size for its own frame.
    const QSize faceSize(button.width() - 4, button.height() - 5);
    if (faceSize.isEmpty()) {
        button.setIcon(QIcon());
        return;
    }

    QImage face(faceSize, QImage::Format_RGB32);
    face.fill(button.palette().color(QPalette::Active, QPalette::Button));
    // The caption takes the application's font, not the bolder one the
    // button itself is given.
    const QFont font = QApplication::font();
    const QSize text = QFontMetrics(font).size(Qt::TextSingleLine, caption);
    const QSize iconSize = button.iconSize();
    const int left = (face.width() - (iconSize.width() + 1 + text.width())) / 2;
    {
        QPainter painter(&face);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(
            QRect(QPoint(left + iconSize.width() + 1, (face.height() - text.height()) / 2), text),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
        // Halves truncate toward zero: the 32-pixel icon on the run button's
        // 31-pixel face keeps its top row and loses its bottom one.
        painter.drawPixmap(QRect(QPoint(left, (face.height() - iconSize.height()) / 2), iconSize),
                           button.icon().pixmap(iconSize, 1.0));
    }
    button.setIconSize(faceSize);
    button.setIcon(QIcon(QPixmap::fromImage(face)));
}

}  // namespace tovrin

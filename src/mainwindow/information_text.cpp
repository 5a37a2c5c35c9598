#include "mainwindow/information_text.h"

#include <string>

#include <QStringList>

namespace tovrin {

namespace {

QString Bytes(const std::string& text) {
    return BlankControlCharacters(
        QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QString BlankControlCharacters(QString text) {
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            c = QLatin1Char(' ');
        }
    }
    return text;
}

QString InformationText(const PhotoInfo& info, const LocalDateTime& lastWrite) {
    const QStringList lines{
        QStringLiteral("サイズ(横×縦)"),
        QString::number(info.PixelXDimension) + QStringLiteral("×") +
            QString::number(info.PixelYDimension),
        QString(),
        QStringLiteral("埋込日付(撮影日時)"),
        Bytes(info.DateTimeOriginal),
        QString(),
        QStringLiteral("ファイル日付"),
        Utf8(SlashDateText(lastWrite)) + QLatin1Char(' ') + Utf8(TimeOfDayText(lastWrite)),
        QString(),
        QStringLiteral("メーカー名"),
        Bytes(info.Make),
        QString(),
        QStringLiteral("モデル名"),
        Bytes(info.Model),
    };
    return lines.join(QStringLiteral("\r\n"));
}

QString ToDisplayLines(const QString& crlfText) {
    QString shown = crlfText;
    return shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString FromDisplayLines(const QString& displayed) {
    QString text = displayed;
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

}  // namespace tovrin

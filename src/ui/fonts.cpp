#include "ui/fonts.h"

#include <QFont>
#include <QGuiApplication>

namespace tovrin {

QString MsPGothicFamily() { return QStringLiteral("ＭＳ Ｐゴシック"); }

void RegisterFontSubstitutions() {
    // Proportional faces only, best first: a monospaced Japanese face (the
    // one a Japanese locale's default sans resolves to) sets Latin text in
    // typewriter letters.
    // Windows names its own faces first, for a Windows without ＭＳ Ｐゴシック
    // (or one where it was removed): the faces every Japanese Windows has.
    QFont::insertSubstitutions(
        MsPGothicFamily(),
        {QStringLiteral("MS UI Gothic"), QStringLiteral("Meiryo"), QStringLiteral("Yu Gothic"),
         QStringLiteral("IPAPGothic"), QStringLiteral("VL PGothic"),
         QStringLiteral("Noto Sans CJK JP"), QStringLiteral("DejaVu Sans")});
}

void UseDesignFaceThroughout() {
    // Message boxes and dialogs are windows of their own and take the
    // application's font, not the main window's.
    QFont font(MsPGothicFamily());
    font.setPointSizeF(DesignFacePoints);
    QGuiApplication::setFont(font);
}

}  // namespace tovrin

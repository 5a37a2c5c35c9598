#include "ui/fonts.h"

#include <QFont>

namespace tovrin {

QString MsPGothicFamily() { return QStringLiteral("ＭＳ Ｐゴシック"); }

void RegisterFontSubstitutions() {
    QFont::insertSubstitution(MsPGothicFamily(), QStringLiteral("IPAPGothic"));
}

}  // namespace tovrin

#include "shell/ui_style.h"

namespace tessaray {

void installFontSubstitutions() {
    QFont::insertSubstitutions(QStringLiteral("メイリオ"), {QStringLiteral("IPAexGothic"), QStringLiteral("IPAGothic")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), {QStringLiteral("IPAGothic")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), {QStringLiteral("IPAPGothic")});
    QFont::insertSubstitutions(QStringLiteral("HG丸ｺﾞｼｯｸM-PRO"), {QStringLiteral("MotoyaLMaru"), QStringLiteral("IPAexGothic")});
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"), {QStringLiteral("Liberation Serif")});
}

}  // namespace tessaray

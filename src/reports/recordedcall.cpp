#include "recordedcall.h"

namespace ordovan::reports {

namespace {

QString anchorName(TextAnchor a)
{
    switch (a) {
    case TextAnchor::TopLeft:
        return QStringLiteral("TL");
    case TextAnchor::TopCenter:
        return QStringLiteral("TC");
    case TextAnchor::BaselineLeft:
        return QStringLiteral("BL");
    }
    return {};
}

} // namespace

QString RecordedCall::describe() const
{
    switch (kind) {
    case Text:
        return QStringLiteral("text %1 %2 %3 %4/%5 %6")
            .arg(x)
            .arg(y)
            .arg(anchorName(style.anchor), style.face)
            .arg(style.height)
            .arg(text);
    case Line:
        return QStringLiteral("line %1 %2 %3 %4 pen %5")
            .arg(x)
            .arg(y)
            .arg(x2)
            .arg(y2)
            .arg(penWidth);
    case NewPage:
        return QStringLiteral("page");
    }
    return {};
}

} // namespace ordovan::reports

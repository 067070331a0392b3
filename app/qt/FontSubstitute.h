#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace trimora {

// A family a layout was drawn for, where to look for it beyond the system's fonts, and faces
// with its metrics that may stand in for it, best first.
struct TFontStandIn {
    QString Family;
    QStringList Files;             // font files outside fontconfig's folders that may hold it
    QStringList MetricCompatible;  // families with its character widths
};

// "MS Sans Serif", the window's font: Wine's copy (bitmap strikes only), else Liberation Sans or
// Arimo, which have Arial's metrics.
TFontStandIn MsSansSerifStandIn();

// Makes Wanted's family resolve to a face with its metrics, in the program itself rather than
// through the user's fontconfig set-up (which falls back to a much wider face): the family
// itself where it is installed or one of its Files loads, as long as it renders Wanted's pixel
// size cleanly; else the first metric-compatible family installed, mapped with
// QFont::insertSubstitution. Returns the family Wanted now resolves to, or an empty string when
// no fitting face is installed. Needs a QGuiApplication.
QString InstallFontSubstitute(const QFont& Wanted, const TFontStandIn& StandIn);

// Family draws text at exactly PixelSize, with a bold that looks bold (a bitmap-only face may
// offer neither: another strike, and the same glyphs for bold).
bool RendersCleanly(const QString& Family, int PixelSize);

}  // namespace trimora

#include "app/qt/FontSubstitute.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>

namespace trimora {

namespace {

QImage Rendered(const QFont& Font) {
    const QString sample = QStringLiteral("Speed: 20.1 km/h");
    QImage image(200, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(Font);
    painter.setPen(Qt::black);
    painter.drawText(2, 30, sample);
    return image;
}

bool SameFamily(const QString& A, const QString& B) {
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

// The system's families, and those the program loaded itself.
bool Installed(const QString& Family) {
    return QFontDatabase::hasFamily(Family);
}

}  // namespace

TFontStandIn MsSansSerifStandIn() {
    return {QStringLiteral("MS Sans Serif"),
            {QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf")},
            {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")}};
}

bool RendersCleanly(const QString& Family, int PixelSize) {
    QFont regular;
    regular.setFamilies({Family});
    regular.setPixelSize(PixelSize);
    const QFontInfo got(regular);
    if (!SameFamily(got.family(), Family) || got.pixelSize() != PixelSize) return false;
    QFont bold = regular;
    bold.setBold(true);
    return Rendered(regular) != Rendered(bold);
}

QString InstallFontSubstitute(const QFont& Wanted, const TFontStandIn& StandIn) {
    const int size = Wanted.pixelSize();
    auto resolved = [&Wanted] { return QFontInfo(Wanted).family(); };

    if (Installed(StandIn.Family) && RendersCleanly(StandIn.Family, size)) return resolved();
    for (const QString& file : StandIn.Files) {
        if (!QFileInfo::exists(file)) continue;
        const int id = QFontDatabase::addApplicationFont(file);
        if (id < 0) continue;
        if (QFontDatabase::applicationFontFamilies(id).contains(StandIn.Family,
                                                                Qt::CaseInsensitive) &&
            RendersCleanly(StandIn.Family, size))
            return resolved();
        QFontDatabase::removeApplicationFont(id);
    }
    for (const QString& family : StandIn.MetricCompatible) {
        if (!Installed(family) || !RendersCleanly(family, size)) continue;
        QFont::insertSubstitution(StandIn.Family, family);
        // A face of the family itself that does not render cleanly would still win over the
        // substitute: then say that none was installed.
        return SameFamily(resolved(), family) ? family : QString();
    }
    return {};
}

}  // namespace trimora

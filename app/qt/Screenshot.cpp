#include "app/qt/Screenshot.h"

#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace trimora {

bool SaveWindowPicture(QWidget* Window, const QString& Path) {
    QPixmap picture;
    if (QScreen* screen = Window->screen()) {
        const QRect frame = Window->frameGeometry();
        picture = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    }
    if (picture.isNull()) picture = Window->grab();
    return !picture.isNull() && picture.save(Path, "PNG");
}

}  // namespace trimora

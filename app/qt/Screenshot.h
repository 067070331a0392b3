#pragma once

#include <QString>

class QWidget;

namespace trimora {

// Saves what the screen shows of Window, frame included, as a PNG. Where the platform cannot read
// the screen back, the window draws itself into the picture instead. False if nothing was saved.
bool SaveWindowPicture(QWidget* Window, const QString& Path);

}  // namespace trimora

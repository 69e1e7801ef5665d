#pragma once

#include <QIcon>
#include <QImage>

namespace krelin {

// The program's 32 x 32 icon: a grass-topped brick block, the game's own building stone.
QImage AppIconImage();
QIcon AppIcon();

} // namespace krelin

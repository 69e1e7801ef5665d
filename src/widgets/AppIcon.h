#pragma once

#include <QIcon>
#include <QImage>

namespace krelin {

// The program's icon: a grass-topped brick block, the game's own building stone. The
// design is a 32 x 32 drawing; at any other size it is drawn again with its lines and
// bricks measured in whole pixels, so it stays crisp (at 64, 128 and 256 it is exactly the
// 32 x 32 drawing with each pixel made a square block).
QImage AppIconImage(int size = 32);

// The icon at the sizes desktops ask for, 16 to 256 pixels.
QIcon AppIcon();

} // namespace krelin

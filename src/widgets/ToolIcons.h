#pragma once

#include <QIcon>
#include <QImage>

namespace krelin {

// The icons of the level map's tool bar, drawn here as the program's icon is: no image
// files. Each is a small drawing on a 24-pixel design, made again at each size asked.
enum class ToolIconKind {
    Place,    // an arrow setting down a block
    Paint,    // a brush
    Fill,     // a bucket pouring
    Select,   // a dashed rectangle
    Copy,     // two sheets
    Paste,    // a clipboard
    Replace,  // two blocks and an arrow between them
    Overview, // a strip of frames
};

QImage ToolIconImage(ToolIconKind kind, int size = 24);
QIcon ToolIcon(ToolIconKind kind);

} // namespace krelin

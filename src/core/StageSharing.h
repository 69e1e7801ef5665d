#pragma once

#include "StageTable.h"

#include <QString>

#include <vector>

namespace krelin {

// Several stages read the same bytes of the image, so an edit made while one stage is
// shown changes the others too. These functions name those stages, in table order and
// without the stage itself: two stages share data when the bytes they read overlap.

// Stages whose tiles (256 tiles of 16 bytes) lie on the same bytes as the stage's.
std::vector<const Stage *> StagesSharingTiles(const Stage &stage);

// Stages whose metatile table (four tile numbers per metatile, and its sub-palettes)
// lies on the same bytes as the stage's.
std::vector<const Stage *> StagesSharingMetaTiles(const Stage &stage);

// Stages whose frame-to-room bytes (one per frame) overlap the stage's.
std::vector<const Stage *> StagesSharingFrameTable(const Stage &stage);

// Stages that also read the room byte of the stage's frame f.
std::vector<const Stage *> StagesSharingFrameRoom(const Stage &stage, int frame);

// "Shared with 1B, 1C", or an empty text when the list is empty.
QString SharedWithText(const std::vector<const Stage *> &stages);

// The room box's note on what else reads the room it writes: the stages that read frame
// f's room byte, and those whose frame tables overlap the stage's, one line each.
QString FrameRoomSharingText(const Stage &stage, int frame);

} // namespace krelin

#pragma once

#include "ImageDiff.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace krelin {

// A comparison of two images as a reader sees it: what `krelin --diff` prints, and what a
// window shows before a patch is applied. nameA and nameB name the images as the user
// gave them.

// One line per kind and stage, in table order, e.g.
//   Stage 3: 1 cell (frame 2: row 3, column 4: 2F → 30)
// after a line on the sizes when they differ, and followed by a line on the stages not
// compared and one on the other bytes. Long lists show their first items and a count of
// the rest. Metatile, tile, room and colour values are hexadecimal and sub-palettes
// decimal, as the windows show them; frames, rows, columns and palette entries count from
// 0 in decimal. No lines when the images are identical.
QStringList DiffSummary(const ImageDiff &diff, const QString &nameA, const QString &nameB);

// The whole comparison as one object:
//   {"a": nameA, "b": nameB, "identical": false, "sizes": {"a": bytes, "b": bytes},
//    "stages": [{"stage": "3", "cells": [{"frame", "row", "column", "a", "b"}],
//                "rooms": [{"frame", "a", "b"}],
//                "metatiles": [{"metatile", "a": [t0, t1, t2, t3, sub-palette], "b": [...]}],
//                "tiles": [{"tile"}], "palette": [{"entry", "a", "b"}]}],
//    "notCompared": ["4B", "5"],
//    "other": [{"offset", "length"}]}
// listing only the stages with a difference, every item of each, numbers in decimal;
// notCompared names the stages whose data lies past the end of the shorter image.
QJsonObject DiffJson(const ImageDiff &diff, const QString &nameA, const QString &nameB);

} // namespace krelin

#include "modKrelin.h"

#include "StageTable.h"

#include <algorithm>

namespace krelin {

modKrelin::modKrelin(QObject *parent)
    : QObject(parent)
{
}

bool modKrelin::writeBytes(qint64 offset, std::span<const std::uint8_t> bytes)
{
    const auto length = qint64(bytes.size());
    if (!holds(offset, length))
        return false;
    auto target = RomData.begin() + offset;
    if (std::equal(bytes.begin(), bytes.end(), target))
        return true;
    std::copy(bytes.begin(), bytes.end(), target);
    emit imageChanged(offset, length);
    return true;
}

bool modKrelin::writeByte(qint64 offset, std::uint8_t value)
{
    return writeBytes(offset, std::span<const std::uint8_t>(&value, 1));
}

void modKrelin::replaceImage(std::vector<std::uint8_t> bytes)
{
    RomData = std::move(bytes);
    emit imageReplaced();
}

void modKrelin::setRomFileName(const QString &path)
{
    if (RomFileName == path)
        return;
    RomFileName = path;
    emit romFileNameChanged(path);
}

void modKrelin::ApplyStage(const Stage &chosen)
{
    static_cast<StageOffsets &>(*this) = chosen;
    FirstRoom = chosen.FirstRoom;
    LastRoom = chosen.LastRoom;
    stage = &chosen;
    emit stageChanged();
}

void modKrelin::clearStage()
{
    if (!stage)
        return;
    stage = nullptr;
    emit stageChanged();
}

void modKrelin::setBgColors(const BgColorSet &colors)
{
    if (bgColors == colors)
        return;
    bgColors = colors;
    emit bgColorsChanged();
}

void modKrelin::setConsoleColors(bool on)
{
    if (console == on)
        return;
    console = on;
    emit consoleColorsChanged(on);
    emit bgColorsChanged();
}

} // namespace krelin

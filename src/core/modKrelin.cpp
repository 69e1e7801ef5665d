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
    setModified(false);
    emit imageReplaced();
}

void modKrelin::rewriteImage(std::vector<std::uint8_t> bytes)
{
    RomData = std::move(bytes);
    emit imageChanged(0, romSize());
}

void modKrelin::ApplyStage(const Stage &stage)
{
    CurrentStage = &stage;
    static_cast<StageOffsets &>(*this) = stage;
    FirstRoom = stage.FirstRoom;
    LastRoom = stage.LastRoom;
}

void modKrelin::setModified(bool value)
{
    if (modified == value)
        return;
    modified = value;
    emit modifiedChanged(modified);
}

} // namespace krelin

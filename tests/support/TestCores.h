#pragma once

// The small libretro cores tests/player builds (TestCore.c), each going wrong in one way,
// and the images they are given. A test target that uses them defines KRELIN_TEST_CORES
// as the folder they are built in.

#include <QByteArray>
#include <QString>

namespace krelin::testing {

inline QString TestCore(const char *name)
{
    return QStringLiteral(KRELIN_TEST_CORES "/%1.so").arg(QLatin1String(name));
}

// size bytes that the test core shows as the red of its pixels, starting with first
// (an image starting with 'X' it refuses).
inline QByteArray TestCoreImage(int size, char first = 1)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(first + 3 * i);
    return bytes;
}

} // namespace krelin::testing

#pragma once

#include <QString>

// Where the tests find the files the build made (the sample cartridge, Krelin.d_p,
// Krelin.WAV) and the source tree's data files: the folders built in, unless the
// environment names copies. A run as an unprivileged user needs copies when the build
// lies in a folder only its owner may enter.
namespace krelin::testing {

inline QString RuntimeFolder()
{
    return qEnvironmentVariable("KRELIN_TEST_RUNTIME_DIR", QStringLiteral(KRELIN_RUNTIME_DIR));
}

inline QString SourceFolder()
{
    return qEnvironmentVariable("KRELIN_TEST_SOURCE_DIR", QStringLiteral(KRELIN_SOURCE_DIR));
}

} // namespace krelin::testing

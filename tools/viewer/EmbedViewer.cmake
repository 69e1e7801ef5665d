# Turns the linked viewer (INPUT) into a C++ source (OUTPUT) that holds its bytes.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
if(NOT size EQUAL 8192)
  message(FATAL_ERROR "${INPUT} holds ${size} bytes; the viewer takes exactly 8192")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUTPUT} "// Written by EmbedViewer.cmake from viewer.bin; do not edit.
#include \"ViewerCode.h\"

namespace sample {

namespace {
const std::uint8_t Code[] = {
    ${bytes}
};
static_assert(sizeof Code == ViewerSize);
} // namespace

std::span<const std::uint8_t> ViewerCode()
{
    return Code;
}

} // namespace sample
")

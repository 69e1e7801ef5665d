// Compiled into every test program: its folders are its own from before main() on.
#include "PrivateFolders.h"

namespace {

const krelin::testing::PrivateFolders folders("krelin-test");

} // namespace

// Placeholder sample generator: an image of the right size, all zero.
#include <fstream>
#include <vector>
int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    std::vector<char> bytes(0x20010, 0);
    std::ofstream(argv[1], std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return 0;
}

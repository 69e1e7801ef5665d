#pragma once

#include <csignal>
#include <sys/resource.h>

// While it lives, the process may write files of at most `bytes` bytes, and a write past
// that fails with EFBIG instead of ending the test with SIGXFSZ.
namespace krelin::testing {

class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
        : oldHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        if (getrlimit(RLIMIT_FSIZE, &old) != 0)
            return;
        rlimit small = old;
        small.rlim_cur = bytes;
        set = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        if (set)
            setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool isSet() const { return set; }

private:
    void (*oldHandler)(int);
    rlimit old{};
    bool set = false;
};

} // namespace krelin::testing

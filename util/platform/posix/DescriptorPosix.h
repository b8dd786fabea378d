#ifndef QVX_DESCRIPTOR_POSIX_H
#define QVX_DESCRIPTOR_POSIX_H

// Owns one file descriptor of the POSIX layer and closes it on every way out.
// Not installed: only posix/*.cpp include it.
#include <unistd.h>

namespace qvx {
namespace platform {
namespace posix {

class Descriptor
{
public:
    explicit Descriptor(int fd) : _fd(fd) {}
    ~Descriptor()
    {
        if (_fd >= 0)
            ::close(_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return _fd; }

    // Closes now and tells whether the close worked (a failed close of a
    // written file can be the first report of a failed write).
    bool release()
    {
        const int fd = _fd;
        _fd = -1;
        return ::close(fd) == 0;
    }

private:
    int _fd;
};

}  // namespace posix
}  // namespace platform
}  // namespace qvx

#endif

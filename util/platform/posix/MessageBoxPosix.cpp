#include "MessageBox.h"

#include <cstdio>

namespace qvx {
namespace platform {

int defaultMessageBoxPresenter(const char* text, const char* caption, unsigned int)
{
    std::fprintf(stderr, "[%s]\n%s\n", caption, text);
    std::fflush(stderr);
    return MESSAGE_BOX_ANSWER_OK;
}

}  // namespace platform
}  // namespace qvx

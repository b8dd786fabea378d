#include "MessageBox.h"

#include <windows.h>

namespace qvx {
namespace platform {

static_assert(MESSAGE_BOX_OK == MB_OK && MESSAGE_BOX_SETFOREGROUND == MB_SETFOREGROUND &&
                  MESSAGE_BOX_ANSWER_OK == IDOK,
              "message box values");

// The system's modal message box without an owner window.
int defaultMessageBoxPresenter(const char* text, const char* caption, unsigned int style)
{
    return ::MessageBoxA(nullptr, text, caption, style);
}

}  // namespace platform
}  // namespace qvx

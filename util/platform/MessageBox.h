#ifndef QVX_MESSAGE_BOX_H
#define QVX_MESSAGE_BOX_H

#include "QvxExport.h"

// The host's modal message box. The default presenter on POSIX shows a modal
// X11 dialog when the display named by "DISPLAY" can be opened, and returns
// when it is answered; without one nobody could answer, so it writes
// "[caption]" and the text to standard error and answers at once. A host
// application (or a test) installs its own presenter to show its own dialog
// or to record the call.
namespace qvx {
namespace platform {

// Style flags, with the values the original platform gives them.
constexpr unsigned int MESSAGE_BOX_OK = 0x0u;
constexpr unsigned int MESSAGE_BOX_SETFOREGROUND = 0x10000u;
// The answer of a box closed with its OK button.
constexpr int MESSAGE_BOX_ANSWER_OK = 1;

using MessageBoxPresenter = int (*)(const char* text, const char* caption, unsigned int style);

// Shows a modal box with no owner window; returns the presenter's answer.
QVXUTIL_API int showMessageBox(const char* text, const char* caption, unsigned int style);

// Installs a presenter; nullptr restores the default. Returns the previous one.
QVXUTIL_API MessageBoxPresenter setMessageBoxPresenter(MessageBoxPresenter presenter);

// The host's default presenter.
QVXUTIL_API int defaultMessageBoxPresenter(const char* text, const char* caption, unsigned int style);

}  // namespace platform
}  // namespace qvx

#endif

#include "MessageBox.h"

#include <atomic>

namespace qvx {
namespace platform {

namespace {
std::atomic<MessageBoxPresenter> g_presenter{nullptr};
}

int showMessageBox(const char* text, const char* caption, unsigned int style)
{
    MessageBoxPresenter presenter = g_presenter.load();
    if (presenter == nullptr)
        presenter = &defaultMessageBoxPresenter;
    return presenter(text != nullptr ? text : "", caption != nullptr ? caption : "", style);
}

MessageBoxPresenter setMessageBoxPresenter(MessageBoxPresenter presenter)
{
    return g_presenter.exchange(presenter);
}

}  // namespace platform
}  // namespace qvx

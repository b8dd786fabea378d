// qvxutil msgbox CAPTION TEXT: the library's message box, as a failed check
// shows it; returns when it is closed.
#include "Command.h"
#include "kbrAssert.h"

namespace {

int runMsgbox(const qvxutil::Args& args)
{
    if (args.size() != 2)
        throw qvxutil::UsageError{"msgbox needs a caption and a text"};
    displayMessageBoxWithOKButton(args[1].c_str(), args[0].c_str());
    return 0;
}

const qvxutil::Command::Registration registration{
    {"msgbox", "msgbox CAPTION TEXT",
     "show the message box (an X11 dialog when DISPLAY opens, else standard error)", &runMsgbox}};

}  // namespace

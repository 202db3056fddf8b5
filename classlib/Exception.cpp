// Exception carries its message as UTF-16 (see String) and keeps a UTF-8 copy for what().
// No <windows.h> here: format code built natively throws these too.
#include "classlib/SysUtils.h"

Exception::Exception(String message) { SetMessage(std::move(message)); }

void Exception::SetMessage(String m)
{
    message_ = std::move(m);
    utf8_ = StringToUtf8(message_);
}

String ExceptionMessage(const std::exception& e)
{
    if (auto* ex = dynamic_cast<const Exception*>(&e)) return ex->Message();
    return Utf8ToString(e.what());
}

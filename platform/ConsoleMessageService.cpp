#include "ConsoleMessageService.h"

#include <cstdio>

namespace platform
{

Answer ConsoleMessageService::show(const QString& text, const QString& caption, Icon,
                                   Buttons buttons, QObject*)
{
    const bool question = buttons == Buttons::YesNo;
    std::fprintf(stderr, "%s: %s%s\n", qUtf8Printable(caption), qUtf8Printable(text),
                 question ? " [answered No]" : "");
    return question ? Answer::No : Answer::Ok;
}

} // namespace platform

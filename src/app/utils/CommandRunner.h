#pragma once

#include <functional>

// The one place where a command's failure meets the user. Runs command; a
// TUserError (or any other std::exception) is shown in an error box titled
// with the application title, a TSilentAbort ends the command quietly. An
// open wait panel is closed either way. Returns true when the command ran
// to its end.
bool RunCommand(const std::function<void()> &command);

#pragma once
// The top-level error handling: an error that escapes a handler is shown in the error box
// and the program carries on.
#include <functional>
#include <string>
#include <string_view>

#include "app/ports/MainWindowView.h"
#include "app/ports/Shell.h"

namespace app {

// The message as the box shows it: "." appended when the last character sorts after ".".
std::string ErrorBoxMessage(std::string_view message);
// The box's caption: the program file's name without folder and extension, its first
// character as it is and every later letter in lower case.
std::string ErrorBoxCaption(std::string_view programFileName);

// Runs one handler. An error escaping it is shown in the error box (which may run
// further handlers while it is open); then RunHandler returns normally.
void RunHandler(IMainWindowView& view, IShell& shell, const std::function<void()>& handler);

}  // namespace app

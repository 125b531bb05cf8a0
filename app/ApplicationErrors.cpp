#include "app/ApplicationErrors.h"

#include <exception>
#include <new>

#include "gfx/Errors.h"

namespace app {
namespace {

// Shown for an error that carries no text of its own.
constexpr std::string_view UnknownErrorText = "予期しないエラーが発生しました";

}  // namespace

std::string ErrorBoxMessage(std::string_view message) {
  std::string text(message);
  // Compared as unsigned bytes: a multi-byte character's bytes all sort after ".".
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text.push_back('.');
  return text;
}

std::string ErrorBoxCaption(std::string_view programFileName) {
  const std::size_t slash = programFileName.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? programFileName : programFileName.substr(slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  std::string caption(name);
  for (std::size_t i = 1; i < caption.size(); ++i)
    if (caption[i] >= 'A' && caption[i] <= 'Z') caption[i] = static_cast<char>(caption[i] - 'A' + 'a');
  return caption;
}

void RunHandler(IMainWindowView& view, IShell& shell, const std::function<void()>& handler) {
  std::string message;
  try {
    handler();
    return;
  } catch (const std::bad_alloc&) {
    message = gfx::Msg::OutOfMemory;
  } catch (const std::exception& error) {
    message = error.what();
  } catch (...) {
    message = UnknownErrorText;
  }
  // Shown outside the catch blocks: the box runs its own event loop, and handlers run
  // from there must not find this exception still in flight.
  view.ShowErrorBox(ErrorBoxCaption(shell.ProgramFileName()), ErrorBoxMessage(message));
}

}  // namespace app

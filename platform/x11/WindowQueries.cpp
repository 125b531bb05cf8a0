#include "platform/x11/WindowQueries.h"

#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/x11/CompoundText.h"

namespace x11 {

namespace {

// Enough for any title a user reads; the caller cuts to its own limit.
constexpr std::uint32_t MaxPropertyWords = 64 * 1024;

std::uint32_t Card32At(const std::string& bytes, std::size_t index) {
  std::uint32_t value = 0;
  if (bytes.size() >= (index + 1) * 4) std::memcpy(&value, bytes.data() + index * 4, 4);
  return value;
}

}  // namespace

WindowQueries::WindowQueries(xcb_connection_t* connection, const xcb_screen_t* screen)
    : connection_(connection),
      root_(screen->root),
      screenWidth_(screen->width_in_pixels),
      screenHeight_(screen->height_in_pixels),
      atom_(connection) {}

std::optional<WindowQueries::Property> WindowQueries::GetProperty(xcb_window_t window, xcb_atom_t property,
                                                                  xcb_atom_t type) {
  if (property == XCB_ATOM_NONE) return std::nullopt;
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      connection_, xcb_get_property(connection_, 0, window, property, type, 0, MaxPropertyWords), nullptr));
  if (!reply || reply->type == XCB_ATOM_NONE) return std::nullopt;
  if (type != XCB_ATOM_ANY && reply->type != type) return std::nullopt;
  const auto length = static_cast<std::size_t>(xcb_get_property_value_length(reply.get()));
  Property result;
  result.type = reply->type;
  result.bytes.assign(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
  return result;
}

bool WindowQueries::HasProperty(xcb_window_t window, xcb_atom_t property) {
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      connection_, xcb_get_property(connection_, 0, window, property, XCB_ATOM_ANY, 0, 0), nullptr));
  return reply && reply->type != XCB_ATOM_NONE;
}

// The client window that holds the focus window: the nearest ancestor with WM_STATE
// (the window manager puts it on every managed client), else the child of the root.
xcb_window_t WindowQueries::TopLevelOf(xcb_window_t window) {
  const xcb_atom_t wmState = atom_("WM_STATE");
  xcb_window_t current = window;
  for (int depth = 0; depth < 64 && current != XCB_WINDOW_NONE && current != root_; ++depth) {
    if (HasProperty(current, wmState)) return current;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, current), nullptr));
    if (!tree) return XCB_WINDOW_NONE;
    if (tree->parent == root_) return current;
    current = tree->parent;
  }
  return XCB_WINDOW_NONE;
}

bool WindowQueries::IsCapturable(xcb_window_t window) {
  if (window == XCB_WINDOW_NONE) return false;
  Reply<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(connection_, xcb_get_window_attributes(connection_, window), nullptr));
  if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) return false;
  Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
  if (!geometry) return false;
  if (geometry->width <= 1 && geometry->height <= 1) {
    const gfx::TRect r = ClientRect(window);
    const bool onScreen = r.Right > 0 && r.Bottom > 0 && r.Left < screenWidth_ && r.Top < screenHeight_;
    if (!onScreen) return false;
  }
  return true;
}

xcb_window_t WindowQueries::ActiveTopLevel() {
  xcb_window_t window = XCB_WINDOW_NONE;
  if (auto active = GetProperty(root_, atom_("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW))
    window = Card32At(active->bytes, 0);
  if (window == XCB_WINDOW_NONE) {
    Reply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    // 0 is None and 1 is PointerRoot: no window has the focus.
    if (focus && focus->focus > 1 && focus->focus != root_) window = TopLevelOf(focus->focus);
  }
  return IsCapturable(window) ? window : xcb_window_t{XCB_WINDOW_NONE};
}

bool WindowQueries::IsOwnWindow(xcb_window_t window) {
  auto pid = GetProperty(window, atom_("_NET_WM_PID"), XCB_ATOM_CARDINAL);
  return pid && pid->bytes.size() >= 4 && Card32At(pid->bytes, 0) == static_cast<std::uint32_t>(getpid());
}

gfx::TRect WindowQueries::ClientRect(xcb_window_t window) {
  Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
  if (!geometry) return {};
  if (window == root_) return {0, 0, geometry->width, geometry->height};
  Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
      connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr));
  if (!origin) return {};
  return {origin->dst_x, origin->dst_y, origin->dst_x + geometry->width, origin->dst_y + geometry->height};
}

gfx::TRect WindowQueries::FrameRect(xcb_window_t window) {
  gfx::TRect client = ClientRect(window);
  if (window == root_) return client;
  if (auto extents = GetProperty(window, atom_("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL);
      extents && extents->bytes.size() >= 16) {
    // left, right, top, bottom
    client.Left -= static_cast<std::int32_t>(Card32At(extents->bytes, 0));
    client.Right += static_cast<std::int32_t>(Card32At(extents->bytes, 1));
    client.Top -= static_cast<std::int32_t>(Card32At(extents->bytes, 2));
    client.Bottom += static_cast<std::int32_t>(Card32At(extents->bytes, 3));
    return client;
  }
  // No extents announced: the ancestor that is a child of the root is the frame.
  xcb_window_t current = window;
  for (int depth = 0; depth < 64; ++depth) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, current), nullptr));
    if (!tree) return client;
    if (tree->parent == root_) break;
    current = tree->parent;
  }
  Reply<xcb_get_geometry_reply_t> frame(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, current), nullptr));
  if (!frame) return client;
  const int border = frame->border_width;
  return {frame->x, frame->y, frame->x + frame->width + 2 * border, frame->y + frame->height + 2 * border};
}

std::string WindowQueries::Title(xcb_window_t window) {
  std::string title;
  if (auto netName = GetProperty(window, atom_("_NET_WM_NAME"), atom_("UTF8_STRING")); netName && !netName->bytes.empty()) {
    title = netName->bytes;
  } else if (auto name = GetProperty(window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY)) {
    std::string bytes = name->bytes.substr(0, name->bytes.find('\0'));
    if (name->type == XCB_ATOM_STRING)
      title = Latin1ToUtf8(bytes);
    else if (name->type == atom_("COMPOUND_TEXT"))
      title = CompoundTextToUtf8(bytes);
    else
      title = bytes;  // UTF8_STRING, or a type that is plain text
  }
  return title.substr(0, title.find('\0'));
}

}  // namespace x11

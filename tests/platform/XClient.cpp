#include "tests/platform/XClient.h"

#include <bit>
#include <cstdlib>
#include <stdexcept>

namespace xtest {

namespace {

std::uint32_t Scale(std::uint8_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const std::uint32_t max = mask >> shift;
  return ((value * max + 127) / 255) << shift;
}

}  // namespace

XClient::XClient(const std::string& display) {
  connection_ = xcb_connect(display.c_str(), &screenNumber_);
  if (xcb_connection_has_error(connection_)) throw std::runtime_error("cannot connect to " + display);
  auto it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
  for (int i = 0; i < screenNumber_; ++i) xcb_screen_next(&it);
  screen_ = it.data;
}

XClient::~XClient() { xcb_disconnect(connection_); }

std::uint32_t XClient::Pixel(RGB color) const {
  for (auto d = xcb_screen_allowed_depths_iterator(screen_); d.rem; xcb_depth_next(&d))
    for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
      if (v.data->visual_id == screen_->root_visual)
        return Scale(color.r, v.data->red_mask) | Scale(color.g, v.data->green_mask) | Scale(color.b, v.data->blue_mask);
  return 0;
}

xcb_window_t XClient::PatternWindow(int x, int y, int width, int height, xcb_window_t parent) {
  if (parent == XCB_WINDOW_NONE) parent = screen_->root;
  const xcb_window_t window = xcb_generate_id(connection_);
  const std::uint32_t values[] = {Pixel({0, 0, 0})};
  xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, parent, static_cast<std::int16_t>(x),
                    static_cast<std::int16_t>(y), static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height),
                    0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual, XCB_CW_BACK_PIXEL, values);
  for (int row = 0; row < BlockRows; ++row) {
    for (int column = 0; column < BlockColumns; ++column) {
      // The block's extent: every x with x * columns / width == column.
      const int x0 = (column * width + BlockColumns - 1) / BlockColumns;
      const int x1 = ((column + 1) * width + BlockColumns - 1) / BlockColumns;
      const int y0 = (row * height + BlockRows - 1) / BlockRows;
      const int y1 = ((row + 1) * height + BlockRows - 1) / BlockRows;
      if (x1 <= x0 || y1 <= y0) continue;
      const xcb_window_t block = xcb_generate_id(connection_);
      const std::uint32_t pixel[] = {Pixel(BlockColor(column, row))};
      xcb_create_window(connection_, XCB_COPY_FROM_PARENT, block, window, static_cast<std::int16_t>(x0),
                        static_cast<std::int16_t>(y0), static_cast<std::uint16_t>(x1 - x0),
                        static_cast<std::uint16_t>(y1 - y0), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                        XCB_CW_BACK_PIXEL, pixel);
      xcb_map_window(connection_, block);
    }
  }
  return window;
}

void XClient::Map(xcb_window_t window) {
  xcb_map_window(connection_, window);
  Sync();
}

void XClient::Unmap(xcb_window_t window) {
  xcb_unmap_window(connection_, window);
  Sync();
}

xcb_atom_t XClient::Atom(const std::string& name) {
  auto* reply = xcb_intern_atom_reply(
      connection_, xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : 0;
  std::free(reply);
  return atom;
}

void XClient::SetProperty(xcb_window_t window, const std::string& property, const std::string& type, int format,
                          const void* data, std::uint32_t count) {
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, Atom(property), Atom(type),
                      static_cast<std::uint8_t>(format), count, data);
  Sync();
}

void XClient::SetString(xcb_window_t window, const std::string& property, const std::string& type,
                        const std::string& text) {
  SetProperty(window, property, type, 8, text.data(), static_cast<std::uint32_t>(text.size()));
}

void XClient::SetCardinal(xcb_window_t window, const std::string& property, const std::string& type,
                          std::initializer_list<std::uint32_t> values) {
  SetProperty(window, property, type, 32, values.begin(), static_cast<std::uint32_t>(values.size()));
}

void XClient::DeleteProperty(xcb_window_t window, const std::string& property) {
  xcb_delete_property(connection_, window, Atom(property));
  Sync();
}

void XClient::Sync() { std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr)); }

}  // namespace xtest

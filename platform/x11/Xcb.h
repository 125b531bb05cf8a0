#pragma once
// Small RAII helpers over xcb: replies are malloc'ed and freed with free().
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unordered_map>

namespace x11 {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Atoms looked up once per connection and name.
class AtomCache {
 public:
  explicit AtomCache(xcb_connection_t* connection) : connection_(connection) {}
  xcb_atom_t operator()(const std::string& name) {
    if (auto it = atoms_.find(name); it != atoms_.end()) return it->second;
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    atoms_.emplace(name, atom);
    return atom;
  }

 private:
  xcb_connection_t* connection_;
  std::unordered_map<std::string, xcb_atom_t> atoms_;
};

}  // namespace x11

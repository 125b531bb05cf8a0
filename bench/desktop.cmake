# The desktop program's capture road on Xvfb: hotkey handler to file closed, capture and
# conversion alone, each encoder alone on the same picture, scrot on the same screen, and
# the peak memory of a 3840x2160 PNG capture. Needs the X11 layer (VANTORA_GUI) and the
# test helpers that start a private Xvfb.
if(TARGET vantora_x11 AND TARGET vantora_xtestsupport AND TARGET vantora_app)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(DESKTOP_BENCH_LIBPNG REQUIRED IMPORTED_TARGET libpng)
  pkg_check_modules(DESKTOP_BENCH_XTEST REQUIRED IMPORTED_TARGET xcb-xtest)
  add_executable(bench_desktop desktop/DesktopBench.cpp)
  target_link_libraries(bench_desktop PRIVATE vantora_app vantora_x11 vantora_xtestsupport
    PkgConfig::DESKTOP_BENCH_LIBPNG PkgConfig::DESKTOP_BENCH_XTEST benchmark::benchmark)
  target_compile_definitions(bench_desktop PRIVATE VANTORA_CORPUS="${VANTORA_CORPUS}"
    VANTORA_PROGRAM="$<TARGET_FILE:vantora>")
  add_dependencies(bench_desktop vantora)
  set_target_properties(bench_desktop PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endif()

# PNG save speed on the screenshots: our writer through SaveBitmap's stream seam, libpng with
# the same settings, and zlib's deflate alone over the same filtered rows (the floor).
find_package(PkgConfig REQUIRED)
pkg_check_modules(BENCH_LIBPNG REQUIRED IMPORTED_TARGET libpng)
add_executable(bench_png PngBench.cpp)
target_link_libraries(bench_png PRIVATE vantora_output vantora_png PkgConfig::BENCH_LIBPNG ZLIB::ZLIB benchmark::benchmark)
target_compile_definitions(bench_png PRIVATE VANTORA_CORPUS="${VANTORA_CORPUS}")
set_target_properties(bench_png PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

# PNG save speed on the screenshots: our writer through SaveBitmap's stream seam, libpng with
# the same settings, and zlib's deflate alone over the same filtered rows (the floor).
add_executable(bench_png ${CMAKE_CURRENT_LIST_DIR}/PngBench.cpp)
target_link_libraries(bench_png PRIVATE vantora_benchsupport vantora_output vantora_png ZLIB::ZLIB)

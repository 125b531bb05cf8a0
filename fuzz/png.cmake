# The PNG writer over arbitrary pictures and settings.
vantora_fuzz(fuzz_png_writer ${CMAKE_CURRENT_SOURCE_DIR}/PngWriterFuzz.cpp)
target_link_libraries(fuzz_png_writer PRIVATE vantora_png)

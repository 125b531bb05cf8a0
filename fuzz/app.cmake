# Capture names from window titles and folder texts.
vantora_fuzz(fuzz_capture_names ${CMAKE_CURRENT_LIST_DIR}/CaptureNamesFuzz.cpp)
target_link_libraries(fuzz_capture_names PRIVATE vantora_app)

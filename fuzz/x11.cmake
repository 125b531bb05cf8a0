# Window titles come from other programs: the COMPOUND_TEXT decoder and the cut at a
# character boundary take any bytes. Built from the source alone (no X libraries needed).
vantora_fuzz(fuzz_window_title ${PROJECT_SOURCE_DIR}/fuzz/WindowTitleFuzz.cpp ${PROJECT_SOURCE_DIR}/platform/x11/CompoundText.cpp)
target_include_directories(fuzz_window_title PRIVATE ${PROJECT_SOURCE_DIR})

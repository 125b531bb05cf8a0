add_executable(bench_output ${CMAKE_CURRENT_LIST_DIR}/OutputBench.cpp)
target_link_libraries(bench_output PRIVATE vantora_benchsupport vantora_output JPEG::JPEG)

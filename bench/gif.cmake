add_executable(bench_gif ${CMAKE_CURRENT_LIST_DIR}/GIFBench.cpp)
target_link_libraries(bench_gif PRIVATE vantora_benchsupport vantora_output vantora_gif gif)

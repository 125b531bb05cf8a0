vantora_fuzz(fuzz_gif_encoder ${CMAKE_CURRENT_LIST_DIR}/GIFEncoderFuzz.cpp)
target_link_libraries(fuzz_gif_encoder PRIVATE vantora_gif gif)

# libFuzzer targets, one per file in fuzz/, with AddressSanitizer and UndefinedBehaviorSanitizer.
# clang cannot compile literals to GBK, so here the program's texts are UTF-8; the code under test reads
# bytes and behaves the same for any double-byte text.
set(SANITIZE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_compile_options(lumvo_logic PRIVATE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*_fuzz.cpp)
foreach(src ${FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_compile_options(${name} PRIVATE ${SANITIZE})
  target_link_options(${name} PRIVATE ${SANITIZE})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/unit)
  target_link_libraries(${name} PRIVATE lumvo_logic)
endforeach()

# The Windows program and the Windows-side test programs.

# Win32 adapters: every *_win.cpp except the program's entry.
file(GLOB_RECURSE WIN_SOURCES CONFIGURE_DEPENDS
  core/*_win.cpp settings/*_win.cpp app/*_win.cpp ui/*_win.cpp update/*_win.cpp platform/*_win.cpp)
list(REMOVE_ITEM WIN_SOURCES ${CMAKE_SOURCE_DIR}/app/entry_win.cpp)

set(WIN_LIBS ole32 oleaut32 uuid comctl32 wininet shell32 gdi32 user32 advapi32 msimg32 psapi)
# Link everything of the compiler's own statically: the .exe needs nothing but Windows' DLLs.
set(STATIC_LINK -static -static-libgcc -static-libstdc++ -Wl,--gc-sections -s)

add_library(lumvo_win STATIC ${WIN_SOURCES})
target_link_libraries(lumvo_win PUBLIC lumvo_logic ${WIN_LIBS})
target_compile_definitions(lumvo_win PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE
  _WIN32_WINNT=0x0601 WINVER=0x0601)
target_compile_options(lumvo_logic PRIVATE -ffunction-sections -fdata-sections)
target_compile_options(lumvo_win PRIVATE -ffunction-sections -fdata-sections)

function(lumvo_program name)
  add_executable(${name} WIN32 ${CMAKE_SOURCE_DIR}/app/entry_win.cpp ${CMAKE_SOURCE_DIR}/ui/res/lumvo.rc)
  target_link_libraries(${name} PRIVATE lumvo_win)
  target_link_options(${name} PRIVATE ${STATIC_LINK})
  # windres reports no dependencies: rebuild the resources when a picture, the icon or the manifest changes.
  file(GLOB RESOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/ui/res/*.bmp ${CMAKE_SOURCE_DIR}/ui/res/*.ico
    ${CMAKE_SOURCE_DIR}/ui/res/*.h ${CMAKE_SOURCE_DIR}/ui/res/lumvo.manifest)
  set_source_files_properties(${CMAKE_SOURCE_DIR}/ui/res/lumvo.rc PROPERTIES OBJECT_DEPENDS "${RESOURCE_FILES}")
endfunction()

lumvo_program(LumvoTime)
# The same program with its test hooks (LUMVO_TEST_* environment values read by the entry only):
# the end-to-end tests run this one; users get LumvoTime.exe, which reads no environment.
lumvo_program(LumvoTimeTest)
target_compile_definitions(LumvoTimeTest PRIVATE LUMVO_TEST_HOOKS=1)

# Windows-side test programs, one per file in tests/e2e/win (console programs run under Wine).
file(GLOB E2E_PROGRAMS CONFIGURE_DEPENDS tests/e2e/win/*.cpp)
foreach(src ${E2E_PROGRAMS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE lumvo_win)
  target_link_options(${name} PRIVATE ${STATIC_LINK})
endforeach()

# Benchmark programs, one per file in bench/win: a file with a WinMain is a window program and is built
# exactly as the program is (its start-up is measured against the program's), the others are console
# helpers.
file(GLOB BENCH_PROGRAMS CONFIGURE_DEPENDS bench/win/*.cpp)
foreach(src ${BENCH_PROGRAMS})
  get_filename_component(name ${src} NAME_WE)
  file(STRINGS ${src} has_winmain REGEX "WinMain")
  if(has_winmain)
    add_executable(${name} WIN32 ${src})
  else()
    add_executable(${name} ${src})
  endif()
  target_compile_definitions(${name} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE _WIN32_WINNT=0x0601
    WINVER=0x0601)
  target_compile_options(${name} PRIVATE -ffunction-sections -fdata-sections)
  target_link_libraries(${name} PRIVATE user32 gdi32 shell32)
  target_link_options(${name} PRIVATE ${STATIC_LINK})
endforeach()

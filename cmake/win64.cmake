# Windows builds (win64 and win32): Strevo.exe, the stand-in engine and, in
# win64, the Wine-side tests and the window-automation helper of the
# end-to-end scenarios.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(STREVO_WIN_LIBS comctl32 wininet ws2_32 winmm ole32 oleaut32 uuid shell32 gdi32
    user32 advapi32 comdlg32 version msimg32 iphlpapi)
add_compile_options(-O2)
# No link time in the PE header: two builds of one commit give the same bytes.
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp)
# What ships is what is tested: no debug sections from the static runtime.
add_link_options($<$<CONFIG:Release>:-s>)

add_library(strevo_core STATIC ${STREVO_CORE_SOURCES})
target_include_directories(strevo_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_include_directories(strevo_core SYSTEM PUBLIC ${STREVO_LIBVLC_INCLUDE})
target_compile_options(strevo_core PRIVATE ${STREVO_WARNINGS})
target_link_libraries(strevo_core PUBLIC strevo_engine_abi)
target_compile_definitions(strevo_core PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# The shell as a library, so the Wine-side tests link the same code as the exe.
set(STREVO_ENTRY ${CMAKE_SOURCE_DIR}/src/app/entry_win.cpp)
set(STREVO_SHELL_LIB_SOURCES ${STREVO_SHELL_SOURCES})
list(REMOVE_ITEM STREVO_SHELL_LIB_SOURCES ${STREVO_ENTRY})
add_library(strevo_shell STATIC ${STREVO_SHELL_LIB_SOURCES})
target_compile_options(strevo_shell PRIVATE ${STREVO_WARNINGS})
# The engine binding calls the engine through its ABI header only.
target_link_libraries(strevo_shell PUBLIC strevo_core strevo_engine_abi ${STREVO_WIN_LIBS})

# Build date of the version string ("v0.1 (07.12.2026)"). CMake takes it from
# SOURCE_DATE_EPOCH when set, as `make dist` does with the commit's time.
string(TIMESTAMP STREVO_BUILD_DATE "%d.%m.%Y")
string(TIMESTAMP STREVO_BUILD_YEAR "%Y")
file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION STREVO_VERSION LIMIT_COUNT 1)
# The four numbers of the file's properties: "0.1" gives 0,1,0,0.
string(REPLACE "." ";" STREVO_VERSION_PARTS "${STREVO_VERSION}")
list(LENGTH STREVO_VERSION_PARTS STREVO_VERSION_COUNT)
if(STREVO_VERSION_COUNT GREATER 4 OR NOT STREVO_VERSION MATCHES "^[0-9]+(\\.[0-9]+)*$")
  message(FATAL_ERROR "VERSION must be up to four numbers separated by dots, not '${STREVO_VERSION}'")
endif()
while(STREVO_VERSION_COUNT LESS 4)
  list(APPEND STREVO_VERSION_PARTS 0)
  math(EXPR STREVO_VERSION_COUNT "${STREVO_VERSION_COUNT} + 1")
endwhile()
list(JOIN STREVO_VERSION_PARTS "." STREVO_VERSION_DOTTED)
list(JOIN STREVO_VERSION_PARTS "," STREVO_VERSION_COMMAS)
configure_file(${CMAKE_SOURCE_DIR}/resources/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/strevo.manifest ${CMAKE_BINARY_DIR}/generated/strevo.manifest @ONLY)

set(STREVO_RUN_DIR ${CMAKE_BINARY_DIR}/run)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/generated/strevo.ico
         ${STREVO_RUN_DIR}/Images/Loading.bmp ${STREVO_RUN_DIR}/Images/Logo.bmp
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make-images
          ${CMAKE_BINARY_DIR}/generated ${STREVO_RUN_DIR}/Images
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make-images
  COMMENT "Drawing the icon and the splash and logo pictures")
add_custom_target(strevo_images DEPENDS ${CMAKE_BINARY_DIR}/generated/strevo.ico)

# The demo's file channel and the DirectShow scenarios' picture: a moving test
# pattern, MPEG-1 video in a program stream, 20 s.
add_custom_command(
  OUTPUT ${STREVO_RUN_DIR}/demo.mpg
  COMMAND ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=s=320x240:r=25:d=20
          -c:v mpeg1video -q:v 4 -f mpeg ${STREVO_RUN_DIR}/demo.mpg
  COMMENT "Making the demo's test pattern")
add_custom_target(strevo_demo_media ALL DEPENDS ${STREVO_RUN_DIR}/demo.mpg)

add_executable(Strevo WIN32 ${STREVO_ENTRY} ${CMAKE_SOURCE_DIR}/resources/strevo.rc)
target_include_directories(Strevo PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(Strevo PRIVATE strevo_shell)
target_link_options(Strevo PRIVATE -municode)
add_dependencies(Strevo strevo_images)
set_target_properties(Strevo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${STREVO_RUN_DIR})
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/strevo.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/generated/strevo.ico;${CMAKE_BINARY_DIR}/generated/version.h;${CMAKE_BINARY_DIR}/generated/strevo.manifest")
file(MAKE_DIRECTORY ${STREVO_RUN_DIR}/Icons ${STREVO_RUN_DIR}/TVGuide)

add_subdirectory(engine)

# Wine-side tests, their automation helper and the end-to-end scenarios. The
# 32-bit build has none: it is only compiled here (this kernel runs no 32-bit
# code, so neither can Wine).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
# GoogleTest compiled from Debian's sources for the Wine-side tests.
set(GTEST_SRC /usr/src/googletest/googletest)
add_library(gtest_win STATIC ${GTEST_SRC}/src/gtest-all.cc ${GTEST_SRC}/src/gtest_main.cc)
target_include_directories(gtest_win PUBLIC ${GTEST_SRC}/include PRIVATE ${GTEST_SRC})

# Wine tests run side by side, each in a slot of its own: its own Wine prefix
# (build/wineprefix-slotN, a copy of build/wineprefix) and its own Xvfb, so one
# test's "wineserver -k" or screen never touches another's. CTest hands out the
# slots (resource groups) from this file.
set(STREVO_WINE_SLOTS 3 CACHE STRING "Wine tests run at once")
set(STREVO_SLOTS_JSON "")
foreach(slot RANGE 1 ${STREVO_WINE_SLOTS})
  if(slot GREATER 1)
    string(APPEND STREVO_SLOTS_JSON ",")
  endif()
  string(APPEND STREVO_SLOTS_JSON "{\"id\":\"${slot}\",\"slots\":1}")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/wine-slots.json
     "{\"version\":{\"major\":1,\"minor\":0},\"local\":[{\"wine\":[${STREVO_SLOTS_JSON}]}]}\n")
# CMake writes this into CTestTestfile.cmake, so a plain ctest uses the slots.
set(CTEST_RESOURCE_SPEC_FILE ${CMAKE_BINARY_DIR}/wine-slots.json)
# An empty DISPLAY: each test starts its own Xvfb even under a desktop.
set(STREVO_WINE_TEST_PROPERTIES RESOURCE_GROUPS wine:1 ENVIRONMENT DISPLAY=)

# The test display itself: inside Wine's virtual desktop (scripts/wine-env
# makes every prefix with one) hiding a window and deleting a tray icon take
# milliseconds; on a bare Xvfb about 2 s each, at every start and close.
add_executable(hide_probe ${CMAKE_SOURCE_DIR}/tests/tools/win/hide_probe.cpp)
target_link_libraries(hide_probe PRIVATE user32 shell32)
add_test(NAME wine_desktop COMMAND hide_probe 1000)
set_tests_properties(wine_desktop PROPERTIES LABELS wine TIMEOUT 60 ${STREVO_WINE_TEST_PROPERTIES})

file(GLOB_RECURSE STREVO_WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
if(STREVO_WIN_TEST_SOURCES)
  add_executable(win_tests ${STREVO_WIN_TEST_SOURCES})
  target_compile_definitions(win_tests PRIVATE STREVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  # iphlpapi: the tests' own list of the machine's addresses.
  target_link_libraries(win_tests PRIVATE strevo_shell strevo_engine_abi gtest_win iphlpapi)
  add_dependencies(win_tests strevo_engine strevo_engine3 Strevo)
  # One CTest entry: each start under Wine costs about a second.
  add_test(NAME win_tests COMMAND win_tests --gtest_brief=1)
  set_tests_properties(win_tests PROPERTIES LABELS wine TIMEOUT 600 ${STREVO_WINE_TEST_PROPERTIES})
  # The translation again on an English system (code page 1252, locale 0409).
  add_test(NAME win_tests_english COMMAND win_tests --gtest_brief=1 --gtest_filter=MenuTranslation.*:Translation*)
  set_tests_properties(win_tests_english PROPERTIES LABELS wine TIMEOUT 120 RESOURCE_GROUPS wine:1
                       ENVIRONMENT "DISPLAY=;STREVO_WINE_LOCALE=en_US.UTF-8")
endif()

# Used by scripts/bench-guide: the guide look-ups of a large guide under Wine.
add_executable(guide_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tests/fuzz/guide_bench.cpp)
target_link_libraries(guide_bench PRIVATE strevo_shell)

# Used by scripts/bench-xmltv: reading a large XMLTV guide under Wine.
add_executable(xmltv_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tests/fuzz/xmltv_bench.cpp)
target_link_libraries(xmltv_bench PRIVATE strevo_shell psapi)

add_executable(winauto ${CMAKE_SOURCE_DIR}/tests/e2e/winauto/winauto.cpp)
target_link_libraries(winauto PRIVATE user32 gdi32 ole32 crypt32)
target_link_options(winauto PRIVATE -municode)
# Loaded by `winauto drop` into the program under test.
add_library(winauto_drop SHARED ${CMAKE_SOURCE_DIR}/tests/e2e/winauto/drop.cpp)
set_target_properties(winauto_drop PROPERTIES PREFIX "")
target_link_libraries(winauto_drop PRIVATE user32 kernel32)
add_dependencies(winauto winauto_drop)

# End-to-end scenarios: each tests/e2e/test_*.py file is one CTest entry.
file(GLOB STREVO_E2E CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/test_*.py)
foreach(scenario ${STREVO_E2E})
  get_filename_component(name ${scenario} NAME_WE)
  add_test(NAME e2e_${name} COMMAND ${Python3_EXECUTABLE} -m unittest -v ${name}
           WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/e2e)
  set_tests_properties(e2e_${name} PROPERTIES LABELS e2e TIMEOUT 900 RESOURCE_GROUPS wine:1
    ENVIRONMENT "DISPLAY=;STREVO_BUILD=${CMAKE_BINARY_DIR};STREVO_RUN_DIR=${STREVO_RUN_DIR};STREVO_SOURCE_DIR=${CMAKE_SOURCE_DIR};STREVO_WINAUTO=$<TARGET_FILE:winauto>")
endforeach()
endif()

# Used by scripts/bench-recorder: the least receiver the recorder is measured against.
add_executable(min_recv EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tests/tools/win/min_recv.cpp)
target_link_libraries(min_recv PRIVATE ws2_32)

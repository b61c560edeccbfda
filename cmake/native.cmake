# Native build: the portable core and its unit tests, under the sanitizers.
find_package(GTest REQUIRED)
include(GoogleTest)

set(STREVO_SAN -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)

add_library(strevo_core STATIC ${STREVO_CORE_SOURCES})
target_include_directories(strevo_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_include_directories(strevo_core SYSTEM PUBLIC ${STREVO_LIBVLC_INCLUDE})
target_compile_options(strevo_core PRIVATE ${STREVO_WARNINGS} ${STREVO_SAN})
target_link_options(strevo_core PUBLIC ${STREVO_SAN})
# The engine interface speaks the engine's ABI constants.
target_link_libraries(strevo_core PUBLIC pthread strevo_engine_abi)

# Unsanitized copy for the benchmarks that measure speed; built only when a
# benchmark asks for it (scripts/bench-inflate), not by every build.
add_library(strevo_core_fast STATIC EXCLUDE_FROM_ALL ${STREVO_CORE_SOURCES})
target_include_directories(strevo_core_fast PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_include_directories(strevo_core_fast SYSTEM PUBLIC ${STREVO_LIBVLC_INCLUDE})
target_compile_options(strevo_core_fast PRIVATE ${STREVO_WARNINGS} -O2)
target_link_libraries(strevo_core_fast PUBLIC pthread strevo_engine_abi)

file(GLOB_RECURSE STREVO_UNIT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${STREVO_UNIT_SOURCES})
target_compile_options(unit_tests PRIVATE ${STREVO_SAN})
target_compile_definitions(unit_tests PRIVATE STREVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(unit_tests PRIVATE strevo_core strevo_engine_support GTest::gtest GTest::gtest_main)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)

# The 3.x engine binding against the real engine (libvlc.so.5, loaded at run
# time). Leak checking is off: the engine keeps caches for the life of the
# process, and what it leaks is not ours to mend.
file(GLOB STREVO_ENGINE3_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/engine3/*.cpp)
add_executable(engine3_tests ${STREVO_ENGINE3_TEST_SOURCES})
target_compile_options(engine3_tests PRIVATE ${STREVO_SAN})
target_link_libraries(engine3_tests PRIVATE strevo_core GTest::gtest GTest::gtest_main ${CMAKE_DL_LIBS})
gtest_discover_tests(engine3_tests DISCOVERY_TIMEOUT 60
                     PROPERTIES LABELS engine3 TIMEOUT 60 ENVIRONMENT ASAN_OPTIONS=detect_leaks=0)

# The engine's portable support code, a library of its own.
add_subdirectory(engine)

foreach(sub tests/fuzz tests/tools tools)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${sub}/CMakeLists.txt)
    add_subdirectory(${sub})
  endif()
endforeach()

# The set-up's package check, tested against lists that leave a package out.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME setup_check_packages COMMAND ${Python3_EXECUTABLE} -m unittest -v test_check_packages
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/setup)
set_tests_properties(setup_check_packages PROPERTIES LABELS setup TIMEOUT 300)

# The include graph points downwards (base, subsystems, ui, app); the check
# itself is tested on small trees with an upward include.
add_test(NAME include_floors COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/check-floors ${CMAKE_SOURCE_DIR})
add_test(NAME include_floors_check COMMAND ${Python3_EXECUTABLE} -m unittest -v test_check_floors
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/setup)
set_tests_properties(include_floors include_floors_check PROPERTIES LABELS setup TIMEOUT 120)

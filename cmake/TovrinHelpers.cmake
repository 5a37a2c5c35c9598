# Warnings for our own code only; third-party headers come in as SYSTEM.
add_library(tovrin_warnings INTERFACE)
if(MSVC)
  target_compile_options(tovrin_warnings INTERFACE /W4 /utf-8 $<$<BOOL:${TOVRIN_WERROR}>:/WX>)
else()
  target_compile_options(tovrin_warnings INTERFACE -Wall -Wextra -Wpedantic
    $<$<BOOL:${TOVRIN_WERROR}>:-Werror>)
endif()

# Stricter warnings for the engine, the messages and the run, which compute
# 64-bit file positions and byte counts: a silent narrowing or a shadowed name
# there would write the wrong bytes. Linked PRIVATE beside tovrin_warnings, so
# -Werror still comes only with TOVRIN_WERROR; MSVC's /W4 already warns of
# narrowing.
add_library(tovrin_strict_warnings INTERFACE)
if(NOT MSVC)
  target_compile_options(tovrin_strict_warnings INTERFACE -Wconversion -Wsign-conversion -Wshadow)
endif()

if(TOVRIN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The project's photos live beside the repository, not in it.
get_filename_component(TOVRIN_CORPUS_DIR "${CMAKE_SOURCE_DIR}/../shared/corpus" ABSOLUTE)
# Tests cross-built for Windows run under Wine, which shows the Linux root as Z:.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(TOVRIN_CORPUS_DIR "Z:${TOVRIN_CORPUS_DIR}")
endif()

# tovrin_add_test(NAME engine.reader TARGET test_reader SOURCES a.cpp b.cpp LIBS x y LABELS engine [QT])
# QT: the test runs offscreen with Qt Test; otherwise it is a GoogleTest program.
# PLATFORM: the Qt platform a QT test runs on, offscreen unless given;
# GUILESS: a QT test without a GUI application, which takes no platform.
function(tovrin_add_test)
  cmake_parse_arguments(T "QT;GUILESS" "NAME;TARGET;PLATFORM" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_PLATFORM)
    set(T_PLATFORM offscreen)
  endif()
  add_executable(${T_TARGET} ${T_SOURCES})
  target_link_libraries(${T_TARGET} PRIVATE ${T_LIBS} tovrin_warnings tovrin_test_support)
  set(arguments)
  if(T_QT)
    target_link_libraries(${T_TARGET} PRIVATE Qt6::Test)
    # Wine hands no QT_* variable of the Linux side to a Windows program, so
    # there the platform goes on the command line.
    if(WIN32 AND NOT T_GUILESS)
      set(arguments -platform ${T_PLATFORM})
    endif()
  else()
    target_link_libraries(${T_TARGET} PRIVATE GTest::gtest GTest::gtest_main)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_TARGET} ${arguments})
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS "${T_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=${T_PLATFORM};TOVRIN_CORPUS_DIR=${TOVRIN_CORPUS_DIR};XDG_STATE_HOME=${CMAKE_BINARY_DIR}/test-state"
    TIMEOUT 600)
endfunction()

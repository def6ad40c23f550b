# One library target per layer, its sources globbed from the layer's folders
# (non-recursive, so nested layers such as orvek/ostrel stay separate).
function(zelkor_layer name)
  cmake_parse_arguments(L "" "" "DIRS;LINKS" ${ARGN})
  set(srcs)
  foreach(d IN LISTS L_DIRS)
    file(GLOB s CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${d}/*.cpp ${PROJECT_SOURCE_DIR}/${d}/*.c)
    list(APPEND srcs ${s})
  endforeach()
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${L_LINKS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${L_LINKS})
  endif()
endfunction()

# Every tests/<dir>/*_test.cpp becomes its own executable labelled with the
# layer, so one broken test file never blocks the others from building.
function(zelkor_tests label dir)
  cmake_parse_arguments(T "" "" "LINKS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${dir}/*_test.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${dir}/support/*.cpp)
  # The folder's helpers are compiled once, not once per test.
  set(support test_support_${label})
  if(helpers)
    add_library(${support} STATIC ${helpers})
    target_link_libraries(${support} PUBLIC ${T_LINKS} test_support GTest::gtest GTest::gmock)
  else()
    add_library(${support} INTERFACE)
    target_link_libraries(${support} INTERFACE ${T_LINKS} test_support GTest::gtest GTest::gmock)
  endif()
  # The test framework's headers are parsed once per layer, not once per test:
  # the layer's first test builds the precompiled header the others reuse.
  set(pch_host)
  foreach(t IN LISTS tests)
    get_filename_component(stem ${t} NAME_WE)
    set(exe ${label}_${stem})
    add_executable(${exe} ${t})
    target_link_libraries(${exe} PRIVATE ${support} test_main)
    if(NOT pch_host)
      set(pch_host ${exe})
      target_precompile_headers(${exe} PRIVATE <gtest/gtest.h>)
    else()
      target_precompile_headers(${exe} REUSE_FROM ${pch_host})
    endif()
    set(work ${CMAKE_BINARY_DIR}/testwork/${exe})
    file(MAKE_DIRECTORY ${work})
    if(ZELKOR_TEST_PROGRAMS)
      add_test(NAME ${exe} COMMAND ${exe} WORKING_DIRECTORY ${work})
      set_tests_properties(${exe} PROPERTIES LABELS ${label} ENVIRONMENT "ZELKOR_TEST_WORK=${work}")
    else()
      gtest_discover_tests(${exe}
        WORKING_DIRECTORY ${work}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS ${label}
                   ENVIRONMENT "ZELKOR_TEST_WORK=${work}")
    endif()
  endforeach()
endfunction()

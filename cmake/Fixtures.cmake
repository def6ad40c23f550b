# The look fixture of the adapter and gui tests (skin, language file,
# manifest, images and a block font), written by tools/fixturegen into
# <build>/fixtures before those tests are built. Table modules in
# tools/fixturegen/tables/ add names; nothing here changes when they do.

set(fixture_out ${CMAKE_BINARY_DIR}/fixtures)
file(GLOB fixture_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/fixturegen/*.py
     ${PROJECT_SOURCE_DIR}/tools/fixturegen/tables/*.py)
add_custom_command(
  OUTPUT ${fixture_out}/fixtures.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${fixture_out}/data
  COMMAND /usr/bin/python3 ${PROJECT_SOURCE_DIR}/tools/fixturegen/fixturegen.py ${fixture_out}
  COMMAND ${CMAKE_COMMAND} -E touch ${fixture_out}/fixtures.stamp
  DEPENDS ${fixture_sources}
  COMMENT "Generating the test fixture"
  VERBATIM)
add_custom_target(fixtures ALL DEPENDS ${fixture_out}/fixtures.stamp)

if(ZELKOR_TESTS)
  target_compile_definitions(test_support INTERFACE ZELKOR_FIXTURE_DIR="${fixture_out}")
  foreach(pair IN ITEMS adapter:ostrel gui:gui)
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 label)
    list(GET pair 1 dir)
    file(GLOB fixture_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${dir}/*_test.cpp)
    foreach(t IN LISTS fixture_tests)
      get_filename_component(stem ${t} NAME_WE)
      add_dependencies(${label}_${stem} fixtures)
    endforeach()
  endforeach()
endif()

# The real-window test of skin-built screens drives a small program on the
# fixture: a tooltip near the window's edge, then a modal dialog.
if(ZELKOR_TESTS AND TARGET gui_skin_window_test)
  add_executable(gui_skin_probe ${PROJECT_SOURCE_DIR}/tests/gui/probe/skin_probe.cpp)
  target_link_libraries(gui_skin_probe PRIVATE gui)
  target_include_directories(gui_skin_probe PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(gui_skin_window_test PRIVATE SKIN_PROBE="$<TARGET_FILE:gui_skin_probe>"
                             ARTEFACT_DIR="${CMAKE_BINARY_DIR}/artefacts"
                             EXPECTED_DIR="${PROJECT_SOURCE_DIR}/tests/gui/data")
  add_dependencies(gui_skin_window_test gui_skin_probe fixtures)
endif()

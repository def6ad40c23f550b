# The shipped settings go in only when the build folder has none, so a
# developer's own settings survive every rebuild.
#   cmake -DCOPIER=<CopyIfAbsent.cmake> -DSHIPPED=<Trelm.cfg.xml> -DWORK=<folder> -P config_kept_test.cmake
set(dst "${WORK}/config/Trelm.cfg.xml")
file(REMOVE_RECURSE "${WORK}")

execute_process(COMMAND ${CMAKE_COMMAND} -DSRC=${SHIPPED} -DDST=${dst} -P ${COPIER} RESULT_VARIABLE rc)
file(READ "${SHIPPED}" shipped)
file(READ "${dst}" got)
if(NOT rc EQUAL 0 OR NOT got STREQUAL shipped)
  message(FATAL_ERROR "an absent settings file was not installed")
endif()

file(WRITE "${dst}" "<root><debug draw_ways=\"true\"/></root>\n")
execute_process(COMMAND ${CMAKE_COMMAND} -DSRC=${SHIPPED} -DDST=${dst} -P ${COPIER} RESULT_VARIABLE rc)
file(READ "${dst}" got)
if(NOT rc EQUAL 0 OR NOT got STREQUAL "<root><debug draw_ways=\"true\"/></root>\n")
  message(FATAL_ERROR "the developer's settings were overwritten")
endif()
file(REMOVE_RECURSE "${WORK}")

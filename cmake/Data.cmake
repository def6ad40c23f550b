# The game's own data, generated from the sources under data/ into the build
# folder beside the executable: <build>/data and <build>/config. Nothing
# generated is committed; every generator gives the same bytes on every run.

if(ZELKOR_FUZZ)
  return()
endif()

set(ZELKOR_PYTHON /usr/bin/python3)
find_program(ZELKOR_SOX sox)
find_program(ZELKOR_OGGENC oggenc)
if(NOT ZELKOR_SOX OR NOT ZELKOR_OGGENC)
  message(FATAL_ERROR "The data build needs sox and oggenc (scripts/deps.sh installs them)")
endif()

set(data_src ${PROJECT_SOURCE_DIR}/data)
set(data_out ${CMAKE_BINARY_DIR}/data)
set(data_work ${CMAKE_BINARY_DIR}/data-work)

# Way files: levelgen's text polylines, written by the game's own writer.
add_library(waytext STATIC ${PROJECT_SOURCE_DIR}/tools/waypack/WayText.cpp)
target_include_directories(waytext PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(waytext PUBLIC logic orvek)
add_executable(waypack ${PROJECT_SOURCE_DIR}/tools/waypack/waypack.cpp)
target_link_libraries(waypack PRIVATE waytext)

# Levels.
file(GLOB level_sources CONFIGURE_DEPENDS ${data_src}/levels/*.toml)
file(GLOB levelgen_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/levelgen/*.py)
file(GLOB sub_level_sources CONFIGURE_DEPENDS ${data_src}/levels/level*-*.toml)
set(level_outputs ${data_out}/levels-xml/GraphicsSettings/frame.xml ${data_work}/ways/contour.txt)
set(way_files)
foreach(src IN LISTS sub_level_sources)
  get_filename_component(stem ${src} NAME_WE)
  string(REGEX MATCH "^level([0-9]+)-([0-9]+)$" ok ${stem})
  list(APPEND level_outputs
       ${data_out}/levels-xml/level${CMAKE_MATCH_1}/sub-level${CMAKE_MATCH_2}.xml
       ${data_out}/levels-xml/level${CMAKE_MATCH_1}/level_description.xml
       ${data_out}/levels-xml/GraphicsSettings/${stem}.xml
       ${data_work}/ways/${stem}.txt)
  list(APPEND way_files ${stem})
endforeach()
list(REMOVE_DUPLICATES level_outputs)
add_custom_command(
  OUTPUT ${data_work}/levels.stamp
  BYPRODUCTS ${level_outputs}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${data_out}/levels-xml ${data_work}/ways
  COMMAND ${ZELKOR_PYTHON} ${PROJECT_SOURCE_DIR}/tools/levelgen/levelgen.py
          ${data_src}/levels ${data_out} ${data_work}/ways
  COMMAND ${CMAKE_COMMAND} -E touch ${data_work}/levels.stamp
  DEPENDS ${level_sources} ${levelgen_sources}
  COMMENT "Generating the levels"
  VERBATIM)

set(data_files ${data_work}/levels.stamp)
foreach(stem IN LISTS way_files ITEMS contour)
  if(stem STREQUAL "contour")
    set(flag --contour)
  else()
    set(flag)
  endif()
  add_custom_command(
    OUTPUT ${data_out}/ways/${stem}.way
    COMMAND waypack ${flag} ${data_work}/ways/${stem}.txt ${data_out}/ways/${stem}.way
    DEPENDS waypack ${data_work}/levels.stamp
    VERBATIM)
  list(APPEND data_files ${data_out}/ways/${stem}.way)
endforeach()

# Sound effects.
add_custom_command(
  OUTPUT ${data_work}/sounds.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${data_out}/sounds ${data_work}/sounds
  COMMAND ${ZELKOR_PYTHON} ${PROJECT_SOURCE_DIR}/tools/soundgen/soundgen.py
          ${data_src}/sounds/recipes.toml ${data_out}/sounds ${data_work}/sounds
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${data_work}/sounds
  COMMAND ${CMAKE_COMMAND} -E touch ${data_work}/sounds.stamp
  DEPENDS ${data_src}/sounds/recipes.toml ${PROJECT_SOURCE_DIR}/tools/soundgen/soundgen.py
  COMMENT "Generating the sounds"
  VERBATIM)
list(APPEND data_files ${data_work}/sounds.stamp)

# Music and its playlist (paths from the program's folder; LF, no blank line).
file(GLOB scores CONFIGURE_DEPENDS ${data_src}/music/*.toml)
set(playlist)
foreach(score IN LISTS scores)
  get_filename_component(stem ${score} NAME_WE)
  string(MD5 digest "music/${stem}")
  string(SUBSTRING ${digest} 0 7 serial_hex)
  math(EXPR serial "0x${serial_hex}")
  add_custom_command(
    OUTPUT ${data_out}/Music/${stem}.ogg
    COMMAND ${CMAKE_COMMAND} -E make_directory ${data_work} ${data_out}/Music
    COMMAND ${ZELKOR_PYTHON} ${PROJECT_SOURCE_DIR}/tools/musicgen/musicgen.py ${score} ${data_work}/${stem}.wav
    COMMAND ${ZELKOR_OGGENC} -Q -q 3 --serial ${serial} -o ${data_out}/Music/${stem}.ogg ${data_work}/${stem}.wav
    COMMAND ${CMAKE_COMMAND} -E rm -f ${data_work}/${stem}.wav
    DEPENDS ${score} ${PROJECT_SOURCE_DIR}/tools/musicgen/musicgen.py
    COMMENT "Generating the music ${stem}"
    VERBATIM)
  list(APPEND data_files ${data_out}/Music/${stem}.ogg)
  string(APPEND playlist "data/Music/${stem}.ogg\n")
endforeach()
file(CONFIGURE OUTPUT ${data_work}/playlist.txt CONTENT "${playlist}" NEWLINE_STYLE UNIX)
add_custom_command(
  OUTPUT ${data_out}/Music/playlist.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${data_work}/playlist.txt ${data_out}/Music/playlist.txt
  DEPENDS ${data_work}/playlist.txt
  VERBATIM)
list(APPEND data_files ${data_out}/Music/playlist.txt)

# Pictures, image fonts and the resource manifest. ZELKOR_ART picks the
# pictures: "full" (the art), "placeholder" (every picture as a labelled flat
# block of its final size and cels) or "minimum" (only the pictures the game
# cannot run without, as blocks).
set(ZELKOR_ART "full" CACHE STRING "Pictures to build: full, placeholder or minimum")
set_property(CACHE ZELKOR_ART PROPERTY STRINGS full placeholder minimum)
find_program(ZELKOR_RSVG rsvg-convert)
if(NOT ZELKOR_RSVG)
  message(FATAL_ERROR "The data build needs rsvg-convert (scripts/deps.sh installs it)")
endif()
set(art_flags)
if(ZELKOR_ART STREQUAL "placeholder")
  set(art_flags --placeholder)
elseif(ZELKOR_ART STREQUAL "minimum")
  set(art_flags --placeholder --minimum)
elseif(NOT ZELKOR_ART STREQUAL "full")
  message(FATAL_ERROR "ZELKOR_ART is full, placeholder or minimum, not ${ZELKOR_ART}")
endif()
file(GLOB artgen_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/artgen/*.py)
file(GLOB art_svg CONFIGURE_DEPENDS ${data_src}/art/svg/*.svg)
add_custom_command(
  OUTPUT ${data_work}/art-${ZELKOR_ART}.stamp
  BYPRODUCTS ${data_out}/resources.xml
  COMMAND ${ZELKOR_PYTHON} ${PROJECT_SOURCE_DIR}/tools/artgen/artgen.py ${art_flags} --jobs 2
          --ways ${data_work}/ways
          ${data_src}/art/catalog.toml ${data_src}/fonts/fonts.toml ${data_out} ${data_work}/art
  COMMAND ${CMAKE_COMMAND} -E touch ${data_work}/art-${ZELKOR_ART}.stamp
  DEPENDS ${data_src}/art/catalog.toml ${data_src}/fonts/fonts.toml ${artgen_sources} ${art_svg}
          ${data_work}/levels.stamp
  COMMENT "Drawing the pictures (${ZELKOR_ART})"
  VERBATIM)
list(APPEND data_files ${data_work}/art-${ZELKOR_ART}.stamp)

add_executable(fontbake ${PROJECT_SOURCE_DIR}/tools/fontbake/fontbake.cpp)
target_include_directories(fontbake PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(fontbake PRIVATE graphics platform Freetype::Freetype)
add_custom_command(
  OUTPUT ${data_work}/fonts.stamp
  BYPRODUCTS ${data_out}/LICENSE-DejaVu.txt
  COMMAND ${ZELKOR_PYTHON} ${PROJECT_SOURCE_DIR}/tools/fontbake/fonts.py $<TARGET_FILE:fontbake>
          ${data_src}/fonts/fonts.toml /usr/share/fonts/truetype/dejavu ${data_out}/fonts
  COMMAND ${CMAKE_COMMAND} -E touch ${data_work}/fonts.stamp
  DEPENDS fontbake ${data_src}/fonts/fonts.toml ${PROJECT_SOURCE_DIR}/tools/fontbake/fonts.py
  COMMENT "Baking the image fonts"
  VERBATIM)
list(APPEND data_files ${data_work}/fonts.stamp)

# Hand-written tables, copied as they are.
foreach(table IN ITEMS records.xml Skin.xml en.xml)
  add_custom_command(
    OUTPUT ${data_out}/${table}
    COMMAND ${CMAKE_COMMAND} -E copy ${data_src}/xml/${table} ${data_out}/${table}
    DEPENDS ${data_src}/xml/${table}
    VERBATIM)
  list(APPEND data_files ${data_out}/${table})
endforeach()

add_custom_target(data ALL
  # The shipped settings go in only when absent, so a developer's own survive rebuilds.
  COMMAND ${CMAKE_COMMAND} -DSRC=${data_src}/config/Trelm.cfg.xml
          -DDST=${CMAKE_BINARY_DIR}/config/Trelm.cfg.xml -P ${PROJECT_SOURCE_DIR}/cmake/CopyIfAbsent.cmake
  DEPENDS ${data_files}
  VERBATIM)

# What the data-lint tests need beyond the libraries: Tremor, to prove every
# sound decodes, where the generated tree is and which picture set it holds,
# and the game's screens for the strict run. Every data test waits for the
# data build.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TREMOR REQUIRED IMPORTED_TARGET vorbisidec)
add_library(datalint_deps INTERFACE)
target_link_libraries(datalint_deps INTERFACE waytext gui core adapter PkgConfig::TREMOR)
target_compile_definitions(datalint_deps INTERFACE
  ZELKOR_BUILD_DIR="${CMAKE_BINARY_DIR}"
  ZELKOR_DATA_SOURCE_DIR="${data_src}"
  ZELKOR_ART_SET="${ZELKOR_ART}")
if(ZELKOR_TESTS)
  file(GLOB datalint_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/datalint/*_test.cpp)
  foreach(t IN LISTS datalint_tests)
    get_filename_component(stem ${t} NAME_WE)
    add_dependencies(data_${stem} data)
  endforeach()
endif()
if(ZELKOR_TESTS)
  add_test(NAME data_levelgen_rules
           COMMAND ${ZELKOR_PYTHON} ${PROJECT_SOURCE_DIR}/tests/datalint/levelgen_rules_test.py)
  add_test(NAME data_generators
           COMMAND ${ZELKOR_PYTHON} ${PROJECT_SOURCE_DIR}/tests/datalint/generators_test.py)
  add_test(NAME data_config_kept
           COMMAND ${CMAKE_COMMAND} -DCOPIER=${PROJECT_SOURCE_DIR}/cmake/CopyIfAbsent.cmake
                   -DSHIPPED=${data_src}/config/Trelm.cfg.xml -DWORK=${CMAKE_BINARY_DIR}/testwork/data_config_kept
                   -P ${PROJECT_SOURCE_DIR}/tests/datalint/config_kept_test.cmake)
  add_test(NAME data_artgen COMMAND ${ZELKOR_PYTHON} ${PROJECT_SOURCE_DIR}/tests/datalint/artgen_test.py)
  add_test(NAME data_fontbake
           COMMAND ${ZELKOR_PYTHON} ${PROJECT_SOURCE_DIR}/tests/datalint/fontbake_test.py $<TARGET_FILE:fontbake>)
  set_tests_properties(data_levelgen_rules data_generators data_config_kept data_artgen data_fontbake
                       PROPERTIES LABELS data)
endif()

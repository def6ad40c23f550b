# cmake -DSRC=<file> -DDST=<file> -P CopyIfAbsent.cmake: copies SRC to DST
# only when DST does not exist yet.
if(NOT EXISTS "${DST}")
  get_filename_component(dir "${DST}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  file(COPY_FILE "${SRC}" "${DST}")
endif()

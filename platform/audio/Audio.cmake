# Sound output goes through SDL audio; Ogg Vorbis is decoded by Tremor.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ZELKOR_AUDIO REQUIRED IMPORTED_TARGET sdl2 vorbisidec)
target_link_libraries(platform PUBLIC PkgConfig::ZELKOR_AUDIO)

# One static library per subsystem, so each subsystem builds and tests on its own.
# tunewright_core gathers them; it never links Qt.

function(tw_subsystem name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(ARG_SOURCES)
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    # A subsystem whose first module has not landed yet.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

macro(tw_glob var folder)
  file(GLOB ${var} CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp
       ${PROJECT_SOURCE_DIR}/src/${folder}/*/*.cpp)
endmacro()

tw_glob(PLATFORM_SOURCES platform)
tw_subsystem(tw_platform SOURCES ${PLATFORM_SOURCES} DEPS Threads::Threads)
target_compile_definitions(tw_platform PUBLIC TUNEWRIGHT_VERSION="${PROJECT_VERSION}")

file(GLOB TEXTS_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/shell/Texts.cpp)
tw_subsystem(tw_texts SOURCES ${TEXTS_SOURCES} DEPS tw_platform)

tw_glob(SETTINGS_SOURCES settings)
tw_subsystem(tw_settings SOURCES ${SETTINGS_SOURCES} DEPS tw_platform)

# The registry names every format module, the CD one included, so it stands apart
# from the modules: a format module and its tests never need the CD code to build.
tw_glob(DECODER_SOURCES decoders)
list(FILTER DECODER_SOURCES EXCLUDE REGEX "/Registry\\.cpp$")
tw_subsystem(tw_decoders SOURCES ${DECODER_SOURCES}
             DEPS tw_platform tw_settings PkgConfig::MPG123 PkgConfig::VORBISFILE
                  PkgConfig::FLAC PkgConfig::OPUSFILE PkgConfig::TAGLIB)

tw_glob(CDDA_SOURCES cdda)
tw_subsystem(tw_cdda SOURCES ${CDDA_SOURCES} DEPS tw_decoders tw_platform tw_settings)

tw_subsystem(tw_registry SOURCES ${PROJECT_SOURCE_DIR}/src/decoders/Registry.cpp
             DEPS tw_decoders tw_cdda)

tw_glob(AUDIO_SOURCES audio)
tw_subsystem(tw_audio SOURCES ${AUDIO_SOURCES}
             DEPS tw_decoders tw_settings tw_platform PkgConfig::ALSA)

# The level meters' analysis and its task, over the engine's last-block copy.
tw_glob(LEVELS_SOURCES levels)
tw_subsystem(tw_levels SOURCES ${LEVELS_SOURCES} DEPS tw_audio tw_settings tw_platform)

tw_glob(AUDIODB_SOURCES audiodb)
tw_subsystem(tw_audiodb SOURCES ${AUDIODB_SOURCES} DEPS tw_settings tw_platform)

tw_glob(KARAOKE_SOURCES karaoke)
tw_subsystem(tw_karaoke SOURCES ${KARAOKE_SOURCES} DEPS tw_decoders tw_settings tw_platform)

tw_glob(PLAYER_SOURCES player)
set(TW_PLAYER_DEPS tw_registry tw_audio tw_karaoke tw_audiodb tw_texts tw_settings tw_platform)
if(SDBUSCPP_FOUND)
  list(APPEND TW_PLAYER_DEPS PkgConfig::SDBUSCPP)
endif()
tw_subsystem(tw_player SOURCES ${PLAYER_SOURCES} DEPS ${TW_PLAYER_DEPS})

# The command port: other programs drive the player over a local socket.
tw_glob(PORT_SOURCES port)
tw_subsystem(tw_port SOURCES ${PORT_SOURCES} DEPS tw_player tw_texts tw_settings tw_platform)
if(SDBUSCPP_FOUND)
  target_link_libraries(tw_port PUBLIC PkgConfig::SDBUSCPP)
  target_compile_definitions(tw_port PRIVATE TUNEWRIGHT_HAVE_SDBUS)
endif()

file(GLOB SHELL_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/shell/*.cpp)
list(FILTER SHELL_SOURCES EXCLUDE REGEX "/(main|Texts)\\.cpp$")
tw_subsystem(tw_shell SOURCES ${SHELL_SOURCES} DEPS tw_port tw_player tw_registry tw_audio tw_texts
             tw_settings tw_platform)

add_library(tunewright_core INTERFACE)
target_link_libraries(tunewright_core INTERFACE tw_shell tw_port tw_player tw_registry tw_cdda tw_decoders
                      tw_levels tw_audio tw_audiodb tw_karaoke tw_settings tw_texts tw_platform)

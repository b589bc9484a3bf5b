# add_setup_package(<target> MANIFEST <file> DISK <dir>
#                   [VOLUMES <count>] [SEARCH <dir>...] [DEPENDS <target or file>...]
#                   [EXCLUDE_FROM_ALL])
#
# Builds a setup for one package definition: the package builder compresses
# the product into volumes and writes the package's configuration and the
# trailer; the setup program is compiled with that configuration (each
# package needs its own compile) and sealed with the trailer; the sealed
# SETUP.EXE and the volumes are laid out together in the distribution folder
# DISK. VOLUMES splits the package evenly into that many volumes instead of
# filling volumes of the manifest's capacity. Needs PKGBUILD and
# SETUP_RESOURCES, and the setup_win32 library.
function(add_setup_package target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "EXCLUDE_FROM_ALL" "MANIFEST;DISK;VOLUMES" "SEARCH;DEPENDS")
  set(stage ${CMAKE_CURRENT_BINARY_DIR}/${target}_stage)
  set(built ${stage}/package)
  if(arg_VOLUMES)
    set(build ${CMAKE_SOURCE_DIR}/cmake/pkgbuild_in_volumes.sh ${PKGBUILD} ${arg_VOLUMES})
  else()
    set(build ${PKGBUILD} build)
  endif()
  list(APPEND build ${arg_MANIFEST} --out ${built})
  foreach(dir IN LISTS arg_SEARCH)
    list(APPEND build --search ${dir})
  endforeach()

  add_custom_command(
    OUTPUT ${built}/package_config.cpp ${built}/trailer.bin ${stage}/volumes.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${built}
    COMMAND ${build}
    COMMAND ${CMAKE_COMMAND} -E touch ${stage}/volumes.stamp
    DEPENDS ${arg_MANIFEST} ${PKGBUILD} ${arg_DEPENDS}
    COMMENT "Compressing the package ${arg_MANIFEST} for ${target}"
    VERBATIM)

  # The setup program without its trailer, with this package's configuration.
  add_executable(${target}_image WIN32 EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/src/setup/main.cpp
    ${built}/package_config.cpp ${SETUP_RESOURCES})
  target_link_libraries(${target}_image PRIVATE setup_win32)
  target_link_options(${target}_image PRIVATE ${STATIC_LINK} -s)
  set_target_properties(${target}_image PROPERTIES OUTPUT_NAME SETUP_IMAGE RUNTIME_OUTPUT_DIRECTORY ${stage})

  # The distribution folder: SETUP.EXE with the trailer appended, and the
  # volumes (everything the builder wrote but the configuration and trailer).
  add_custom_command(
    OUTPUT ${arg_DISK}/SETUP.EXE
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${arg_DISK}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${arg_DISK}
    COMMAND ${PKGBUILD} seal $<TARGET_FILE:${target}_image> ${built}/trailer.bin --out ${arg_DISK}/SETUP.EXE
    COMMAND find ${built} -maxdepth 1 -type f ! -name package_config.cpp ! -name trailer.bin
            -exec cp {} ${arg_DISK}/ $<SEMICOLON>
    DEPENDS ${target}_image ${built}/trailer.bin ${stage}/volumes.stamp
    COMMENT "Sealing SETUP.EXE for ${target} and laying out ${arg_DISK}"
    VERBATIM)
  if(arg_EXCLUDE_FROM_ALL)
    add_custom_target(${target} DEPENDS ${arg_DISK}/SETUP.EXE)
  else()
    add_custom_target(${target} ALL DEPENDS ${arg_DISK}/SETUP.EXE)
  endif()
endfunction()

# SPDX-License-Identifier: MIT
# Debian packages made by CPack: `kestrel` (the program and kestrel-remux, the
# manual page, documentation and bash completion) and `kestrel-recbuild` (the
# recording builder and its manual page, for making test recordings).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VENDOR "kestrel developers")
set(CPACK_PACKAGE_CONTACT "kestrel developers <kestrel@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL kestrel recbuild)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_KESTREL_PACKAGE_NAME kestrel)
# kestrel-remux multiplexes kestrel's outputs with ffmpeg.
set(CPACK_DEBIAN_KESTREL_PACKAGE_SUGGESTS ffmpeg)
set(CPACK_DEBIAN_RECBUILD_PACKAGE_NAME kestrel-recbuild)

set(CPACK_COMPONENT_KESTREL_DESCRIPTION
    "split TiVo recordings into MPEG-2 video and MPEG or AC-3 audio
kestrel reads the chunk-stream files of DTivo and Standalone digital video
recorders (128 KiB chunks, each a table of records and their payloads) and
writes the video as an MPEG-2 elementary stream and the audio as bare MPEG
Layer II or AC-3 frames, ready to be edited or multiplexed again. It detects
the recorder and audio type itself and reports and skips damaged, repeated
and out-of-place chunks.")
set(CPACK_COMPONENT_RECBUILD_DESCRIPTION
    "build TiVo-style test recordings from MPEG video and audio streams
kestrel-recbuild packs an MPEG-2 video elementary stream and a Layer II or
AC-3 stream into a chunk-stream recording as DTivo or Standalone recorders
write it, optionally with damage (duplicate, out-of-band, bad and cut chunks,
an end-of-data record), and writes the outputs kestrel should extract from
it. It is used to test kestrel.")

# Beside each package's files, what Debian asks of every package: the licence
# (`copyright`, in the machine-readable format), the compressed changelog and
# the lintian overrides (each with its reason). The packages are native (made
# here, with no upstream source apart), so the changelog is `changelog.gz`,
# not `changelog.Debian.gz`.
set(debian_dir ${CMAKE_CURRENT_LIST_DIR}/debian)
find_program(GZIP gzip REQUIRED)
set(changelog ${CMAKE_BINARY_DIR}/changelog)
add_custom_command(
  OUTPUT ${changelog}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${debian_dir}/changelog ${changelog}
  COMMAND ${GZIP} -9nf ${changelog}
  DEPENDS ${debian_dir}/changelog
  COMMENT "Compressing the Debian changelog")
add_custom_target(debian-changelog ALL DEPENDS ${changelog}.gz)

foreach(component IN ITEMS kestrel recbuild)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  install(FILES ${debian_dir}/copyright ${changelog}.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
          COMPONENT ${component} ${KESTREL_${component}_INSTALL_OPTION})
  install(FILES ${debian_dir}/lintian-overrides RENAME ${package}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
          COMPONENT ${component} ${KESTREL_${component}_INSTALL_OPTION})
endforeach()

include(CPack)

# The portable package: KavroWallpaper-<version>-win64.zip with the exe, the
# user guide, the licence and the third-party notices (CRLF text, for Notepad).
# Built by the "package" target.

set(KAVRO_PACKAGE_NAME "KavroWallpaper-${PROJECT_VERSION}-win64")
set(KAVRO_PACKAGE_DOCS "${CMAKE_BINARY_DIR}/package-docs")

function(kavro_write_crlf out text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE "${out}.new" "${text}")
  file(COPY_FILE "${out}.new" "${out}" ONLY_IF_DIFFERENT)
  file(REMOVE "${out}.new")
endfunction()

# Licence texts of what is linked in: our dependency build keeps them in its
# prefix, vcpkg beside each port, Debian's MinGW-w64 in its doc folder.
set(KAVRO_FREEIMAGE_VERSION "")
set(KAVRO_LIBJPEG_VERSION "")
set(KAVRO_LIBPNG_VERSION "")
set(KAVRO_LIBWEBP_VERSION "")
set(KAVRO_ZLIB_VERSION "")
set(KAVRO_NOTICE_FILES "")
if(EXISTS "${FREEIMAGE_ROOT}/BUILD-INFO" AND NOT TARGET freeimage::FreeImage)
  file(STRINGS "${FREEIMAGE_ROOT}/BUILD-INFO" _info)
  foreach(_line IN LISTS _info)
    if(_line MATCHES "^freeimage: ([^ ]+)")
      set(KAVRO_FREEIMAGE_VERSION "${CMAKE_MATCH_1}")
    elseif(_line MATCHES "^libjpeg-turbo: ([^ ]+)")
      set(KAVRO_LIBJPEG_VERSION "${CMAKE_MATCH_1}")
    elseif(_line MATCHES "^libpng: ([^ ]+)")
      set(KAVRO_LIBPNG_VERSION "${CMAKE_MATCH_1}")
    elseif(_line MATCHES "^libwebp: ([^ ]+)")
      set(KAVRO_LIBWEBP_VERSION "${CMAKE_MATCH_1}")
    elseif(_line MATCHES "^zlib: ([^ ]+)")
      set(KAVRO_ZLIB_VERSION "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  list(APPEND KAVRO_NOTICE_FILES
    "${FREEIMAGE_ROOT}/share/licenses/freeimage/license-fi.txt"
    "${FREEIMAGE_ROOT}/share/licenses/libjpeg-turbo/LICENSE.md"
    "${FREEIMAGE_ROOT}/share/licenses/libjpeg-turbo/README.ijg"
    "${FREEIMAGE_ROOT}/share/licenses/libpng/LICENSE"
    "${FREEIMAGE_ROOT}/share/licenses/libwebp/COPYING"
    "${FREEIMAGE_ROOT}/share/licenses/libwebp/PATENTS"
    "${FREEIMAGE_ROOT}/share/licenses/zlib/LICENSE")
elseif(DEFINED VCPKG_INSTALLED_DIR AND DEFINED VCPKG_TARGET_TRIPLET)
  file(GLOB KAVRO_NOTICE_FILES "${VCPKG_INSTALLED_DIR}/${VCPKG_TARGET_TRIPLET}/share/*/copyright")
endif()
if(MINGW AND EXISTS "/usr/share/doc/mingw-w64-x86-64-dev/copyright")
  list(APPEND KAVRO_NOTICE_FILES "/usr/share/doc/mingw-w64-x86-64-dev/copyright")
endif()

configure_file(docs/THIRD-PARTY-NOTICES.txt.in "${KAVRO_PACKAGE_DOCS}/notices-head.txt" @ONLY)
file(READ "${KAVRO_PACKAGE_DOCS}/notices-head.txt" _notices)
foreach(_file IN LISTS KAVRO_NOTICE_FILES)
  if(NOT EXISTS "${_file}")
    message(WARNING "Licence text missing from the package's notices: ${_file}")
    continue()
  endif()
  file(READ "${_file}" _text)
  get_filename_component(_dir "${_file}" DIRECTORY)
  get_filename_component(_from "${_dir}" NAME)
  get_filename_component(_name "${_file}" NAME)
  string(APPEND _notices "\n\n==== ${_from}/${_name} ====\n\n${_text}")
endforeach()
kavro_write_crlf("${KAVRO_PACKAGE_DOCS}/THIRD-PARTY-NOTICES.txt" "${_notices}")

configure_file(docs/USER-GUIDE.txt.in "${KAVRO_PACKAGE_DOCS}/guide.txt" @ONLY)
file(READ "${KAVRO_PACKAGE_DOCS}/guide.txt" _text)
kavro_write_crlf("${KAVRO_PACKAGE_DOCS}/USER-GUIDE.txt" "${_text}")
file(READ LICENSE.txt _text)
kavro_write_crlf("${KAVRO_PACKAGE_DOCS}/LICENSE.txt" "${_text}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  docs/THIRD-PARTY-NOTICES.txt.in docs/USER-GUIDE.txt.in LICENSE.txt ${KAVRO_NOTICE_FILES})

install(TARGETS KavroWallpaper RUNTIME DESTINATION .)
install(FILES
  "${KAVRO_PACKAGE_DOCS}/USER-GUIDE.txt"
  "${KAVRO_PACKAGE_DOCS}/LICENSE.txt"
  "${KAVRO_PACKAGE_DOCS}/THIRD-PARTY-NOTICES.txt"
  DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME KavroWallpaper)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The KavroWallpaper developers")
set(CPACK_PACKAGE_FILE_NAME "${KAVRO_PACKAGE_NAME}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE "${CMAKE_SOURCE_DIR}/LICENSE.txt")
include(CPack)

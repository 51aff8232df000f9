# Unpacks the package zip into an empty folder: cmake -DZIP=... -DDIR=... -P unpack.cmake
if(NOT EXISTS "${ZIP}")
  message(FATAL_ERROR "No package: ${ZIP}")
endif()
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
file(ARCHIVE_EXTRACT INPUT "${ZIP}" DESTINATION "${DIR}")

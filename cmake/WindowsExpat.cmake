# expat for the Windows programs: Debian's own source package (apt-get source, with Debian's
# patches), cross-built here as a static library. It reads the bodies of WebDAV requests, as the
# system's expat does in the Linux build. The source is fetched once per build tree, when the
# build is configured; nothing else is downloaded.
#
# Defines the imported target ostrel_windows_expat.
include(ExternalProject)

# The version the Linux build links, when the archive still holds its source; a security update's
# source may have left the archive while its binary packages are installed. Otherwise the newest
# version whose source the archive has.
execute_process(COMMAND dpkg-query -W "-f=\${source:Version}" libexpat1-dev
                OUTPUT_VARIABLE OSTREL_EXPAT_INSTALLED RESULT_VARIABLE status
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT status EQUAL 0 OR OSTREL_EXPAT_INSTALLED STREQUAL "")
  message(FATAL_ERROR "libexpat1-dev is not installed (scripts/install-dependencies)")
endif()
execute_process(COMMAND apt-cache showsrc --only-source expat OUTPUT_VARIABLE sources ERROR_QUIET)
string(REGEX MATCHALL "\nVersion: [^\n]+" offered "\n${sources}")
list(TRANSFORM offered REPLACE "\nVersion: " "")
list(SORT offered COMPARE NATURAL ORDER DESCENDING)
list(REMOVE_ITEM offered ${OSTREL_EXPAT_INSTALLED})
set(OSTREL_EXPAT_CANDIDATES ${OSTREL_EXPAT_INSTALLED} ${offered})

set(OSTREL_EXPAT_DOWNLOADS ${CMAKE_BINARY_DIR}/expat-source)
file(GLOB OSTREL_EXPAT_SOURCE LIST_DIRECTORIES true ${OSTREL_EXPAT_DOWNLOADS}/*/expat-*/expat)
if(NOT OSTREL_EXPAT_SOURCE)
  set(failures "")
  foreach(version IN LISTS OSTREL_EXPAT_CANDIDATES)
    message(STATUS "Fetching Debian's source of expat ${version}")
    set(download ${OSTREL_EXPAT_DOWNLOADS}/${version})
    file(MAKE_DIRECTORY ${download})
    execute_process(COMMAND apt-get source --only-source -qq expat=${version}
                    WORKING_DIRECTORY ${download} RESULT_VARIABLE status
                    OUTPUT_VARIABLE output ERROR_VARIABLE output)
    file(GLOB OSTREL_EXPAT_SOURCE LIST_DIRECTORIES true ${download}/expat-*/expat)
    if(status EQUAL 0 AND OSTREL_EXPAT_SOURCE)
      break()
    endif()
    file(REMOVE_RECURSE ${download})
    set(OSTREL_EXPAT_SOURCE "")
    string(APPEND failures "expat=${version}:\n${output}\n")
  endforeach()
  if(NOT OSTREL_EXPAT_SOURCE)
    message(FATAL_ERROR "apt-get source expat failed (it needs deb-src entries and dpkg-dev: "
                        "scripts/install-dependencies):\n${failures}")
  endif()
endif()

set(OSTREL_EXPAT_PREFIX ${CMAKE_BINARY_DIR}/expat)
set(OSTREL_EXPAT_LIBRARY ${OSTREL_EXPAT_PREFIX}/lib/libexpat.a)
# The library alone: no tools, examples, tests, documentation or pkg-config file. No DTD support
# either: a request body with a document type is refused anyway, and Debian's patches test XML_DTD
# for the value 1 that its own build defines, where expat's CMake build defines it empty.
ExternalProject_Add(expat_windows
  SOURCE_DIR ${OSTREL_EXPAT_SOURCE}
  BINARY_DIR ${CMAKE_BINARY_DIR}/expat-build
  INSTALL_DIR ${OSTREL_EXPAT_PREFIX}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
    -DCMAKE_INSTALL_LIBDIR=lib
    -DEXPAT_SHARED_LIBS=OFF
    -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF
    -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF -DEXPAT_DTD=OFF
  BUILD_BYPRODUCTS ${OSTREL_EXPAT_LIBRARY})

# The include folder exists once expat is installed; the target must name it before.
file(MAKE_DIRECTORY ${OSTREL_EXPAT_PREFIX}/include)
add_library(ostrel_windows_expat STATIC IMPORTED GLOBAL)
set_target_properties(ostrel_windows_expat PROPERTIES
  IMPORTED_LOCATION ${OSTREL_EXPAT_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${OSTREL_EXPAT_PREFIX}/include
  # Linked statically: no declarations for a DLL.
  INTERFACE_COMPILE_DEFINITIONS XML_STATIC)
add_dependencies(ostrel_windows_expat expat_windows)

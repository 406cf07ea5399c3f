# expat for the Windows programs: Debian's own source package (see DebianSource.cmake),
# cross-built here as a static library. It reads the bodies of WebDAV requests, as the system's
# expat does in the Linux build.
#
# Defines the imported target ostrel_windows_expat.
include(ExternalProject)

include(${CMAKE_CURRENT_LIST_DIR}/DebianSource.cmake)
ostrel_debian_source(expat libexpat1-dev "expat-*/expat" OSTREL_EXPAT_SOURCE)

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

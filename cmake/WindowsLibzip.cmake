# libzip for the Windows programs: the same version as the Linux build's libzip-dev, from Debian's
# own source package (see DebianSource.cmake), cross-built here as a static library against the
# zlib of libz-mingw-w64-dev.
#
# Defines the imported target ostrel_windows_libzip.
include(ExternalProject)

set(OSTREL_MINGW_SYSROOT /usr/${OSTREL_MINGW_PREFIX})
find_file(OSTREL_MINGW_ZLIB libz.a PATHS ${OSTREL_MINGW_SYSROOT}/lib NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)
if(NOT OSTREL_MINGW_ZLIB)
  message(FATAL_ERROR "No zlib for mingw-w64 (Debian: libz-mingw-w64-dev)")
endif()

# The version the Linux build links, so that both programs read archives alike.
include(${CMAKE_CURRENT_LIST_DIR}/DebianSource.cmake)
ostrel_debian_source(libzip libzip-dev "libzip-[0-9]*" OSTREL_LIBZIP_SOURCE)

set(OSTREL_LIBZIP_PREFIX ${CMAKE_BINARY_DIR}/libzip)
set(OSTREL_LIBZIP_LIBRARY ${OSTREL_LIBZIP_PREFIX}/lib/libzip.a)
# Only what reading an archive needs: zlib's deflate. No tools, tests or documentation, and no
# cryptography (an encrypted entry is refused before anything would decrypt it).
ExternalProject_Add(libzip_windows
  SOURCE_DIR ${OSTREL_LIBZIP_SOURCE}
  BINARY_DIR ${CMAKE_BINARY_DIR}/libzip-build
  INSTALL_DIR ${OSTREL_LIBZIP_PREFIX}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
    -DBUILD_SHARED_LIBS=OFF
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
    -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF
    -DENABLE_WINDOWS_CRYPTO=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF
    -DZLIB_INCLUDE_DIR=${OSTREL_MINGW_SYSROOT}/include
    -DZLIB_LIBRARY=${OSTREL_MINGW_ZLIB}
  BUILD_BYPRODUCTS ${OSTREL_LIBZIP_LIBRARY})

# The include folder exists once libzip is installed; the target must name it before.
file(MAKE_DIRECTORY ${OSTREL_LIBZIP_PREFIX}/include)
add_library(ostrel_windows_libzip STATIC IMPORTED GLOBAL)
set_target_properties(ostrel_windows_libzip PROPERTIES
  IMPORTED_LOCATION ${OSTREL_LIBZIP_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${OSTREL_LIBZIP_PREFIX}/include
  # Linked statically: no declarations for a DLL.
  INTERFACE_COMPILE_DEFINITIONS ZIP_STATIC
  INTERFACE_LINK_LIBRARIES ${OSTREL_MINGW_ZLIB})
add_dependencies(ostrel_windows_libzip libzip_windows)

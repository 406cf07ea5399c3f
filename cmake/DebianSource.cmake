# Debian's own source of a library that the Windows programs build themselves (apt-get source,
# with Debian's patches), so that both systems' programs run the same code. Fetched once per build
# tree, when the build is configured; nothing else is downloaded.
#
# ostrel_debian_source(SOURCE_PACKAGE INSTALLED_PACKAGE FOLDER RESULT)
#   Unpacks the source package SOURCE_PACKAGE at the version of INSTALLED_PACKAGE, the package
#   the Linux build uses, and sets RESULT to the unpacked folder that FOLDER (a pattern below the
#   download, such as "expat-*/expat") names. A security update's source may have left the archive
#   while its binary packages stay installed: then the newest version whose source the archive
#   still has is taken.
function(ostrel_debian_source source_package installed_package folder result)
  execute_process(COMMAND dpkg-query -W "-f=\${source:Version}" ${installed_package}
                  OUTPUT_VARIABLE installed RESULT_VARIABLE status
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT status EQUAL 0 OR installed STREQUAL "")
    message(FATAL_ERROR "${installed_package} is not installed (scripts/install-dependencies)")
  endif()

  set(downloads ${CMAKE_BINARY_DIR}/${source_package}-source)
  file(GLOB unpacked LIST_DIRECTORIES true ${downloads}/*/${folder})
  if(NOT unpacked)
    execute_process(COMMAND apt-cache showsrc --only-source ${source_package}
                    OUTPUT_VARIABLE offered_text ERROR_QUIET)
    string(REGEX MATCHALL "\nVersion: [^\n]+" offered "\n${offered_text}")
    list(TRANSFORM offered REPLACE "\nVersion: " "")
    list(SORT offered COMPARE NATURAL ORDER DESCENDING)
    list(REMOVE_ITEM offered ${installed})
    set(failures "")
    foreach(version IN LISTS installed offered)
      message(STATUS "Fetching Debian's source of ${source_package} ${version}")
      set(download ${downloads}/${version})
      file(MAKE_DIRECTORY ${download})
      execute_process(COMMAND apt-get source --only-source -qq ${source_package}=${version}
                      WORKING_DIRECTORY ${download} RESULT_VARIABLE status
                      OUTPUT_VARIABLE output ERROR_VARIABLE output)
      file(GLOB unpacked LIST_DIRECTORIES true ${download}/${folder})
      if(status EQUAL 0 AND unpacked)
        break()
      endif()
      file(REMOVE_RECURSE ${download})
      set(unpacked "")
      string(APPEND failures "${source_package}=${version}:\n${output}\n")
    endforeach()
    if(NOT unpacked)
      message(FATAL_ERROR "apt-get source ${source_package} failed (it needs deb-src entries and "
                          "dpkg-dev: scripts/install-dependencies):\n${failures}")
    endif()
  endif()
  list(GET unpacked 0 unpacked)
  set(${result} ${unpacked} PARENT_SCOPE)
endfunction()

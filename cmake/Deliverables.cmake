# The shipped programs: every executable and shared library the build makes
# outside tests/ and bench/ (Setwright.exe, Spoolkit.dll, VirtualPrinter.exe
# and whatever program joins them). Each gets its version resource from the
# VERSION file at the top of the sources, and deliverables.txt in the build
# folder lists their paths for scripts/package.
#
# A target that carries its own version resource sets the target property
# SW_OWN_VERSION_RESOURCE; one that is built but not shipped sets
# SW_NOT_SHIPPED. SW_DESCRIPTION gives the resource's FileDescription.

file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION SW_VERSION LIMIT_COUNT 1)
if(NOT SW_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "VERSION must hold four numbers such as 1.0.0.1, not '${SW_VERSION}'")
endif()
set(SW_VERSION_COMMAS "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},${CMAKE_MATCH_4}")
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)

define_property(TARGET PROPERTY SW_DESCRIPTION BRIEF_DOCS "FileDescription of the version resource" FULL_DOCS "-")
define_property(TARGET PROPERTY SW_OWN_VERSION_RESOURCE BRIEF_DOCS "target has its own version resource" FULL_DOCS "-")
define_property(TARGET PROPERTY SW_NOT_SHIPPED BRIEF_DOCS "built but not part of the package" FULL_DOCS "-")

# Executables and shared libraries defined in dir and the folders below it,
# except tests/ and bench/ (and what they pull in).
function(sw_shipped_targets dir out)
  set(found)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    get_target_property(excluded ${target} EXCLUDE_FROM_ALL)
    get_target_property(notShipped ${target} SW_NOT_SHIPPED)
    if((type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY") AND NOT excluded AND NOT notShipped)
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    if(sub MATCHES "^${CMAKE_SOURCE_DIR}/(tests|bench)(/|$)")
      continue()
    endif()
    sw_shipped_targets(${sub} below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Adds the version resource to target.
function(sw_version_resource target)
  get_target_property(type ${target} TYPE)
  get_target_property(description ${target} SW_DESCRIPTION)
  if(NOT description)
    set(description "${target}")
  endif()
  if(type STREQUAL "SHARED_LIBRARY")
    set(fileType VFT_DLL)
  else()
    set(fileType VFT_APP)
  endif()
  set(rc ${CMAKE_BINARY_DIR}/version/${target}.rc)
  file(GENERATE OUTPUT ${rc} CONTENT "#pragma code_page(65001)
#include <windows.h>
VS_VERSION_INFO VERSIONINFO
 FILEVERSION ${SW_VERSION_COMMAS}
 PRODUCTVERSION ${SW_VERSION_COMMAS}
 FILEFLAGSMASK 0x3fL
 FILEFLAGS 0x0L
 FILEOS VOS_NT_WINDOWS32
 FILETYPE ${fileType}
 FILESUBTYPE VFT2_UNKNOWN
BEGIN
    BLOCK \"StringFileInfo\"
    BEGIN
        BLOCK \"040904b0\"
        BEGIN
            VALUE \"CompanyName\", \"Korvel\"
            VALUE \"FileDescription\", \"${description}\"
            VALUE \"FileVersion\", \"${SW_VERSION}\"
            VALUE \"InternalName\", \"$<TARGET_FILE_BASE_NAME:${target}>\"
            VALUE \"OriginalFilename\", \"$<TARGET_FILE_NAME:${target}>\"
            VALUE \"ProductName\", \"Setwright\"
            VALUE \"ProductVersion\", \"${SW_VERSION}\"
        END
    END
    BLOCK \"VarFileInfo\"
    BEGIN
        VALUE \"Translation\", 0x409, 1200
    END
END
")
  target_sources(${target} PRIVATE ${rc})
endfunction()

function(sw_finish_deliverables)
  sw_shipped_targets(${CMAKE_SOURCE_DIR} shipped)
  set(listing)
  foreach(target ${shipped})
    get_target_property(own ${target} SW_OWN_VERSION_RESOURCE)
    if(NOT own)
      sw_version_resource(${target})
    endif()
    string(APPEND listing "$<TARGET_FILE:${target}>\n")
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/deliverables.txt CONTENT "${listing}")
  set(SW_SHIPPED_TARGETS ${shipped} PARENT_SCOPE)
endfunction()

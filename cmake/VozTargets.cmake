# Shared build settings for every target of the program.

function(voz_target_settings target)
  get_target_property(_type ${target} TYPE)
  if(_type STREQUAL "INTERFACE_LIBRARY")
    return()
  endif()
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(VOZ_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(VOZ_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# With Ninja, a header added to a globbed folder does not make AUTOMOC run
# again (its dependency file knows only the headers it saw before), so a new
# Q_OBJECT class would link without its meta-object code. When a target's
# file list changes, drop its AUTOMOC stamp so the next build runs it.
function(voz_refresh_autogen target)
  set(_list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_sources.txt)
  string(JOIN "\n" _joined ${ARGN})
  set(_old "")
  if(EXISTS ${_list_file})
    file(READ ${_list_file} _old)
  endif()
  if(NOT _old STREQUAL _joined)
    file(WRITE ${_list_file} "${_joined}")
    file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
  endif()
endfunction()

# voz_library(<name> SOURCES_DIR <dir> [EXCLUDE <files...>] [DEPENDS <targets...>])
# Every .cpp/.h of the folder (not recursing) belongs to the library unless
# excluded; new files are picked up at the next build.
function(voz_library name)
  cmake_parse_arguments(ARG "" "SOURCES_DIR" "EXCLUDE;DEPENDS;EXTRA" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS
       ${ARG_SOURCES_DIR}/*.cpp ${ARG_SOURCES_DIR}/*.h ${ARG_SOURCES_DIR}/*.ui)
  foreach(_ex IN LISTS ARG_EXCLUDE)
    list(FILTER _src EXCLUDE REGEX "/${_ex}$")
  endforeach()
  list(APPEND _src ${ARG_EXTRA})
  list(FILTER _src INCLUDE REGEX "\\.cpp$|\\.h$|\\.ui$|\\.qrc$")
  set(_cpp ${_src})
  list(FILTER _cpp INCLUDE REGEX "\\.cpp$")
  if(NOT _cpp)
    # A folder with nothing in it yet still gives a target others can link.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${ARG_SOURCES_DIR} ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
    return()
  endif()
  add_library(${name} STATIC ${_src})
  voz_refresh_autogen(${name} ${_src})
  target_include_directories(${name} PUBLIC ${ARG_SOURCES_DIR} ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  set_target_properties(${name} PROPERTIES AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/resources)
  voz_target_settings(${name})
endfunction()
